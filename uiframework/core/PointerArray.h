// CPointerArray: the framework's growable array of untyped pointers. The
// capacity becomes 11 when it was 0 and doubles whenever it is full.
#pragma once

namespace SkinUI {

class CPointerArray {
 public:
  explicit CPointerArray(int preallocate = 0);
  CPointerArray(const CPointerArray& src);
  CPointerArray& operator=(const CPointerArray& src);
  ~CPointerArray();

  void Empty();
  // Grows the capacity to at least size (never shrinks).
  void Resize(int size);
  bool IsEmpty() const { return m_count == 0; }
  int GetSize() const { return m_count; }
  int GetCapacity() const { return m_allocated; }
  // Insert at index; an index equal to the count appends. False for an
  // index outside 0..count.
  bool Add(void* data);
  bool InsertAt(int index, void* data);
  bool SetAt(int index, void* data);
  // Removes count items starting at index; false when the run does not lie
  // inside the array.
  bool Remove(int index, int count = 1);
  // Index of the first item equal to data, or -1.
  int Find(void* data) const;
  // The item at index, or null outside the range.
  void* GetAt(int index) const;
  void* operator[](int index) const { return GetAt(index); }
  void** GetData() { return m_items; }

 private:
  bool Grow();

  void** m_items = nullptr;
  int m_count = 0;
  int m_allocated = 0;
};

}  // namespace SkinUI
