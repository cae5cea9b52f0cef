// The framework's string, pointer array and name map.
#include "uiframework/core/NamePtrMap.h"
#include "uiframework/core/PointerArray.h"
#include "uiframework/core/UIString.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace SkinUI;

TEST(UIString, SwitchesBetweenInlineAndHeapStorageKeepingText) {
  std::wstring longText(200, L'x');
  CUIString s(L"short");
  const wchar_t* inlineData = s.GetData();
  s += longText.c_str();
  EXPECT_EQ(s.GetLength(), 205);
  EXPECT_NE(s.GetData(), inlineData);
  EXPECT_EQ(std::wstring(s.GetData()), L"short" + longText);
  s = L"again short";
  EXPECT_EQ(s.GetData(), inlineData);
  EXPECT_EQ(s, L"again short");
  // Exactly 63 characters still fit inline, 64 do not.
  CUIString edge(std::wstring(63, L'a').c_str());
  const wchar_t* edgeInline = edge.GetData();
  edge += L'b';
  EXPECT_NE(edge.GetData(), edgeInline);
  EXPECT_EQ(edge.GetLength(), 64);
  EXPECT_EQ(edge.GetAt(63), L'b');
}

TEST(UIString, AppendsItselfAndCopiesSafely) {
  CUIString s(std::wstring(40, L'q').c_str());
  s += s;  // self-append crosses into the heap
  EXPECT_EQ(std::wstring(s.GetData()), std::wstring(80, L'q'));
  CUIString copy(s);
  s.Empty();
  EXPECT_EQ(copy.GetLength(), 80);
  EXPECT_TRUE(s.IsEmpty());
}

TEST(UIString, ComparesFindsReplacesAndCuts) {
  CUIString s(L"Hello World");
  EXPECT_EQ(s.CompareNoCase(L"hello world"), 0);
  EXPECT_NE(s.Compare(L"hello world"), 0);
  EXPECT_EQ(s.Find(L'o'), 4);
  EXPECT_EQ(s.Find(L'o', 5), 7);
  EXPECT_EQ(s.Find(L"World"), 6);
  EXPECT_EQ(s.Find(L"x"), -1);
  EXPECT_EQ(s.Find(L'o', 99), -1);
  EXPECT_EQ(s.ReverseFind(L'o'), 7);
  EXPECT_EQ(s.Left(5), L"Hello");
  EXPECT_EQ(s.Mid(6), L"World");
  EXPECT_EQ(s.Mid(6, 2), L"Wo");
  EXPECT_EQ(s.Right(3), L"rld");
  EXPECT_EQ(s.Left(99), L"Hello World");
  EXPECT_EQ(s.Mid(-3, 99), L"Hello World");
  EXPECT_EQ(s.GetAt(99), 0);
  CUIString tip(L"a<n>b<n>c");
  EXPECT_EQ(tip.Replace(L"<n>", L"\r\n"), 2);
  EXPECT_EQ(tip, L"a\r\nb\r\nc");
  EXPECT_EQ(tip.Replace(L"", L"x"), 0);
  s.MakeUpper();
  EXPECT_EQ(s, L"HELLO WORLD");
}

TEST(UIString, FormatCutsAtTheBufferSize) {
  CUIString s;
  s.Format(L"%d-%d", 12, 34);
  EXPECT_EQ(s, L"12-34");
  std::wstring big(3000, L'z');
  EXPECT_EQ(s.Format(L"%s", big.c_str()), CUIString::kFormatChars);
  EXPECT_EQ(s.GetLength(), CUIString::kFormatChars);
}

TEST(PointerArray, CapacityStartsAtElevenAndDoubles) {
  CPointerArray a;
  EXPECT_EQ(a.GetCapacity(), 0);
  int values[30];
  a.Add(&values[0]);
  EXPECT_EQ(a.GetCapacity(), 11);
  for (int i = 1; i < 12; ++i) a.Add(&values[i]);
  EXPECT_EQ(a.GetCapacity(), 22);
  for (int i = 12; i < 23; ++i) a.Add(&values[i]);
  EXPECT_EQ(a.GetCapacity(), 44);
  EXPECT_EQ(a.GetSize(), 23);
  for (int i = 0; i < 23; ++i) EXPECT_EQ(a[i], &values[i]);
}

TEST(PointerArray, InsertsRemovesRunsAndChecksIndexes) {
  int v[5];
  CPointerArray a;
  EXPECT_FALSE(a.InsertAt(1, &v[0]));
  EXPECT_TRUE(a.InsertAt(0, &v[1]));
  EXPECT_TRUE(a.InsertAt(0, &v[0]));
  EXPECT_TRUE(a.InsertAt(2, &v[3]));  // index == count appends
  EXPECT_TRUE(a.InsertAt(2, &v[2]));
  ASSERT_EQ(a.GetSize(), 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(a.GetAt(i), &v[i]);
  EXPECT_EQ(a.GetAt(4), nullptr);
  EXPECT_EQ(a.GetAt(-1), nullptr);
  EXPECT_EQ(a.Find(&v[2]), 2);
  EXPECT_EQ(a.Find(&v[4]), -1);
  EXPECT_FALSE(a.Remove(2, 3));
  EXPECT_TRUE(a.Remove(1, 2));
  ASSERT_EQ(a.GetSize(), 2);
  EXPECT_EQ(a[0], &v[0]);
  EXPECT_EQ(a[1], &v[3]);
}

TEST(NamePtrMap, HashRunsFromTheLastCharacterToTheFirst) {
  // h = ((0*33 + 'b')*33 + 'a') for "ab"
  EXPECT_EQ(CNamePtrMap::HashKey(L"ab"), static_cast<std::uint32_t>('b' * 33 + 'a'));
  EXPECT_EQ(CNamePtrMap::HashKey(L""), 0u);
  CNamePtrMap small(3);
  EXPECT_EQ(small.GetBucketCount(), 16);
}

TEST(NamePtrMap, InsertSetRemoveAndEnumerate) {
  CNamePtrMap map;
  int a = 1, b = 2, c = 3;
  EXPECT_TRUE(map.Insert(L"alpha", &a));
  EXPECT_FALSE(map.Insert(L"alpha", &b));
  EXPECT_EQ(map.Find(L"alpha"), &a);
  EXPECT_EQ(map.Set(L"alpha", &b), &a);
  EXPECT_EQ(map.Set(L"beta", &c), nullptr);
  EXPECT_EQ(map.Find(L"beta"), &c);
  EXPECT_EQ(map.GetSize(), 2);
  std::set<std::wstring> keys;
  for (int i = 0; i < map.GetSize(); ++i) keys.insert(map[i]);
  EXPECT_EQ(keys, (std::set<std::wstring>{L"alpha", L"beta"}));
  EXPECT_EQ(map.GetAt(2), nullptr);
  EXPECT_TRUE(map.Remove(L"alpha"));
  EXPECT_FALSE(map.Remove(L"alpha"));
  EXPECT_EQ(map.Find(L"alpha"), nullptr);
  EXPECT_EQ(map.GetSize(), 1);
}

TEST(NamePtrMap, LookupMovesTheFoundKeyToTheFrontOfItsBucket) {
  // With 16 buckets, keys whose hashes differ by 16 share a bucket:
  // "a" (97), "q" (113) and single characters 16 apart.
  CNamePtrMap map(16);
  int v[3];
  map.Insert(L"a", &v[0]);
  map.Insert(L"q", &v[1]);
  map.Insert(L"\x81", &v[2]);
  // Newest first in the bucket; enumeration shows bucket order.
  ASSERT_EQ(std::wstring(map[0]), L"\x81");
  map.Find(L"a", false);
  EXPECT_EQ(std::wstring(map[0]), L"\x81");
  map.Find(L"a");
  EXPECT_EQ(std::wstring(map[0]), L"a");
  EXPECT_EQ(std::wstring(map[1]), L"\x81");
  EXPECT_EQ(std::wstring(map[2]), L"q");
  // Removing from the middle keeps the chain intact.
  EXPECT_TRUE(map.Remove(L"\x81"));
  EXPECT_EQ(map.Find(L"q"), &v[1]);
  EXPECT_EQ(map.Find(L"a"), &v[0]);
}
