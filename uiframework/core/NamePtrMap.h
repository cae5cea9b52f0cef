// CNamePtrMap: hash map from a wide-string key to an untyped pointer, with
// a bucket count fixed at creation (at least 16; the framework uses 83).
// Keys hash as h = h * 33 + c over the characters from the last to the
// first (unsigned 32-bit), modulo the bucket count.
#pragma once

#include "uiframework/core/UIString.h"

#include <cstdint>

namespace SkinUI {

class CNamePtrMap {
 public:
  static constexpr int kFrameworkBuckets = 83;

  explicit CNamePtrMap(int buckets = kFrameworkBuckets);
  ~CNamePtrMap();
  CNamePtrMap(const CNamePtrMap&) = delete;
  CNamePtrMap& operator=(const CNamePtrMap&) = delete;

  static std::uint32_t HashKey(LPCWSTR key);

  void Resize(int buckets = kFrameworkBuckets);
  // The value stored under key, or null. With optimize the found entry
  // moves to the front of its bucket.
  void* Find(LPCWSTR key, bool optimize = true) const;
  // False when the key already exists.
  bool Insert(LPCWSTR key, void* data);
  // Replaces the value and returns the old one (null when the key is new).
  void* Set(LPCWSTR key, void* data);
  bool Remove(LPCWSTR key);
  void RemoveAll();
  int GetSize() const { return m_count; }
  int GetBucketCount() const { return m_bucketCount; }
  // The n-th key in bucket order, or null.
  LPCWSTR GetAt(int index) const;
  LPCWSTR operator[](int index) const { return GetAt(index); }

 private:
  struct Item {
    CUIString key;
    void* data;
    Item* prev;
    Item* next;
  };

  Item* FindItem(LPCWSTR key, bool optimize) const;

  Item** m_buckets = nullptr;
  int m_bucketCount = 0;
  int m_count = 0;
};

}  // namespace SkinUI
