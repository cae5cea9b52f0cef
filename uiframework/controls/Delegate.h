// Delegates: callables bound to an object, kept in lists that a control
// invokes in given situations (init, destroy, size, event, notify, paint,
// post-paint). Invoking a list calls the delegates in order and stops with
// false at the first one that returns false.
#pragma once

#include <vector>

namespace SkinUI {

class CDelegateUI {
 public:
  using Function = bool (*)(void* object, void* param);

  CDelegateUI(void* object, Function function) : m_object(object), m_function(function) {}
  bool operator()(void* param) const { return m_function(m_object, param); }
  bool operator==(const CDelegateUI& other) const {
    return m_object == other.m_object && m_function == other.m_function;
  }

 private:
  void* m_object;
  Function m_function;
};

// MakeDelegate<&Class::Method>(object): Method is bool (void* param).
template <auto Method, class T>
CDelegateUI MakeDelegate(T* object) {
  return CDelegateUI(object, [](void* self, void* param) -> bool { return (static_cast<T*>(self)->*Method)(param); });
}

// A free function bool (void* param).
inline CDelegateUI MakeDelegate(bool (*function)(void* param)) {
  return CDelegateUI(reinterpret_cast<void*>(function),
                     [](void* self, void* param) -> bool { return reinterpret_cast<bool (*)(void*)>(self)(param); });
}

class CEventSourceUI {
 public:
  bool IsEmpty() const { return m_delegates.empty(); }
  // An equal delegate already present is not added again.
  void operator+=(const CDelegateUI& delegate) {
    for (const CDelegateUI& d : m_delegates)
      if (d == delegate) return;
    m_delegates.push_back(delegate);
  }
  void operator-=(const CDelegateUI& delegate) {
    for (auto it = m_delegates.begin(); it != m_delegates.end(); ++it) {
      if (*it == delegate) {
        m_delegates.erase(it);
        return;
      }
    }
  }
  bool operator()(void* param) const {
    // A delegate may change the list: call a copy.
    const std::vector<CDelegateUI> delegates = m_delegates;
    for (const CDelegateUI& d : delegates)
      if (!d(param)) return false;
    return true;
  }
  void Clear() { m_delegates.clear(); }

 private:
  std::vector<CDelegateUI> m_delegates;
};

}  // namespace SkinUI
