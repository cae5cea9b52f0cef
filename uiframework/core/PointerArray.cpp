#include "uiframework/core/PointerArray.h"

#include <cstdlib>
#include <cstring>

namespace SkinUI {

CPointerArray::CPointerArray(int preallocate) {
  if (preallocate > 0) Resize(preallocate);
}

CPointerArray::CPointerArray(const CPointerArray& src) { *this = src; }

CPointerArray& CPointerArray::operator=(const CPointerArray& src) {
  if (this == &src) return *this;
  Empty();
  Resize(src.m_count);
  for (int i = 0; i < src.m_count; ++i) Add(src.m_items[i]);
  return *this;
}

CPointerArray::~CPointerArray() { std::free(m_items); }

void CPointerArray::Empty() {
  std::free(m_items);
  m_items = nullptr;
  m_count = 0;
  m_allocated = 0;
}

void CPointerArray::Resize(int size) {
  if (size <= m_allocated) return;
  void* fresh = std::realloc(m_items, static_cast<size_t>(size) * sizeof(void*));
  if (fresh == nullptr) std::abort();
  m_items = static_cast<void**>(fresh);
  m_allocated = size;
}

bool CPointerArray::Grow() {
  if (m_count < m_allocated) return true;
  Resize(m_allocated == 0 ? 11 : m_allocated * 2);
  return true;
}

bool CPointerArray::Add(void* data) { return InsertAt(m_count, data); }

bool CPointerArray::InsertAt(int index, void* data) {
  if (index < 0 || index > m_count) return false;
  Grow();
  std::memmove(m_items + index + 1, m_items + index, static_cast<size_t>(m_count - index) * sizeof(void*));
  m_items[index] = data;
  ++m_count;
  return true;
}

bool CPointerArray::SetAt(int index, void* data) {
  if (index < 0 || index >= m_count) return false;
  m_items[index] = data;
  return true;
}

bool CPointerArray::Remove(int index, int count) {
  if (index < 0 || count < 0 || index >= m_count || count > m_count - index) return false;
  std::memmove(m_items + index, m_items + index + count,
               static_cast<size_t>(m_count - index - count) * sizeof(void*));
  m_count -= count;
  return true;
}

int CPointerArray::Find(void* data) const {
  for (int i = 0; i < m_count; ++i)
    if (m_items[i] == data) return i;
  return -1;
}

void* CPointerArray::GetAt(int index) const {
  if (index < 0 || index >= m_count) return nullptr;
  return m_items[index];
}

}  // namespace SkinUI
