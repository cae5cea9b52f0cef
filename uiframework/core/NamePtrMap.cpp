#include "uiframework/core/NamePtrMap.h"

#include <cwchar>

namespace SkinUI {

CNamePtrMap::CNamePtrMap(int buckets) { Resize(buckets); }

CNamePtrMap::~CNamePtrMap() {
  RemoveAll();
  delete[] m_buckets;
}

std::uint32_t CNamePtrMap::HashKey(LPCWSTR key) {
  std::uint32_t h = 0;
  if (key == nullptr) return h;
  for (size_t i = std::wcslen(key); i > 0; --i) h = h * 33u + static_cast<std::uint32_t>(key[i - 1]);
  return h;
}

void CNamePtrMap::Resize(int buckets) {
  RemoveAll();
  delete[] m_buckets;
  if (buckets < 16) buckets = 16;
  m_bucketCount = buckets;
  m_buckets = new Item*[static_cast<size_t>(buckets)]();
}

void CNamePtrMap::RemoveAll() {
  for (int i = 0; i < m_bucketCount; ++i) {
    Item* item = m_buckets[i];
    while (item != nullptr) {
      Item* next = item->next;
      delete item;
      item = next;
    }
    m_buckets[i] = nullptr;
  }
  m_count = 0;
}

CNamePtrMap::Item* CNamePtrMap::FindItem(LPCWSTR key, bool optimize) const {
  if (key == nullptr || m_count == 0) return nullptr;
  const std::uint32_t slot = HashKey(key) % static_cast<std::uint32_t>(m_bucketCount);
  for (Item* item = m_buckets[slot]; item != nullptr; item = item->next) {
    if (item->key != key) continue;
    if (optimize && item != m_buckets[slot]) {
      // Unlink and put in front: frequently used names are found first.
      item->prev->next = item->next;
      if (item->next != nullptr) item->next->prev = item->prev;
      item->prev = nullptr;
      item->next = m_buckets[slot];
      m_buckets[slot]->prev = item;
      m_buckets[slot] = item;
    }
    return item;
  }
  return nullptr;
}

void* CNamePtrMap::Find(LPCWSTR key, bool optimize) const {
  Item* item = FindItem(key, optimize);
  return item == nullptr ? nullptr : item->data;
}

bool CNamePtrMap::Insert(LPCWSTR key, void* data) {
  if (key == nullptr || FindItem(key, false) != nullptr) return false;
  const std::uint32_t slot = HashKey(key) % static_cast<std::uint32_t>(m_bucketCount);
  Item* item = new Item{CUIString(key), data, nullptr, m_buckets[slot]};
  if (item->next != nullptr) item->next->prev = item;
  m_buckets[slot] = item;
  ++m_count;
  return true;
}

void* CNamePtrMap::Set(LPCWSTR key, void* data) {
  Item* item = FindItem(key, false);
  if (item == nullptr) {
    Insert(key, data);
    return nullptr;
  }
  void* old = item->data;
  item->data = data;
  return old;
}

bool CNamePtrMap::Remove(LPCWSTR key) {
  Item* item = FindItem(key, false);
  if (item == nullptr) return false;
  const std::uint32_t slot = HashKey(key) % static_cast<std::uint32_t>(m_bucketCount);
  if (item->prev != nullptr) item->prev->next = item->next;
  else m_buckets[slot] = item->next;
  if (item->next != nullptr) item->next->prev = item->prev;
  delete item;
  --m_count;
  return true;
}

LPCWSTR CNamePtrMap::GetAt(int index) const {
  if (index < 0 || index >= m_count) return nullptr;
  int seen = 0;
  for (int i = 0; i < m_bucketCount; ++i)
    for (Item* item = m_buckets[i]; item != nullptr; item = item->next)
      if (seen++ == index) return item->key.GetData();
  return nullptr;
}

}  // namespace SkinUI
