#include "platform/Registry.h"

#include "tests/support/TempMachineRoot.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

namespace {

DWORD ReadDword(HKEY root, const wchar_t* subKey, const wchar_t* name, LONG& result) {
  HKEY key = nullptr;
  result = RegOpenKeyExW(root, subKey, 0, KEY_READ, &key);
  if (result != ERROR_SUCCESS) return 0;
  DWORD type = 0, value = 0, size = sizeof value;
  result = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  RegCloseKey(key);
  if (result == ERROR_SUCCESS && (type != REG_DWORD || size != 4)) result = -1;
  return value;
}

TEST(Registry, KeysAndValuesSurviveInTheStore) {
  TempMachineRoot root;
  const wchar_t* sub = L"Software\\Vendor\\Feature";
  LONG result;
  ReadDword(HKEY_CURRENT_USER, sub, L"app.exe", result);
  EXPECT_EQ(result, static_cast<LONG>(ERROR_FILE_NOT_FOUND));

  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, sub, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            static_cast<LONG>(ERROR_SUCCESS));
  DWORD value = 11001;
  ASSERT_EQ(RegSetValueExW(key, L"app.exe", 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), 4),
            static_cast<LONG>(ERROR_SUCCESS));
  const wchar_t text[] = L"a \"quoted\" \\ text";
  ASSERT_EQ(RegSetValueExW(key, L"name", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text),
            static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_NE(RegSetValueExW(key, L"bad\"name", 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), 4),
            static_cast<LONG>(ERROR_SUCCESS));
  RegCloseKey(key);

  EXPECT_EQ(ReadDword(HKEY_CURRENT_USER, L"SOFTWARE\\vendor\\FEATURE", L"app.exe", result), 11001u);
  EXPECT_EQ(result, static_cast<LONG>(ERROR_SUCCESS));
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Vendor", 0, KEY_READ, &key), static_cast<LONG>(ERROR_SUCCESS));
  RegCloseKey(key);
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, sub, 0, KEY_READ, &key), static_cast<LONG>(ERROR_SUCCESS));
  wchar_t back[64] = {};
  DWORD type = 0, size = 0;
  ASSERT_EQ(RegQueryValueExW(key, L"name", nullptr, &type, nullptr, &size), static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_EQ(size, sizeof text);
  ASSERT_EQ(RegQueryValueExW(key, L"name", nullptr, &type, reinterpret_cast<BYTE*>(back), &size),
            static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_EQ(type, REG_SZ);
  EXPECT_STREQ(back, text);
  RegCloseKey(key);
  // The machine hive is separate from the user's.
  ReadDword(HKEY_LOCAL_MACHINE, sub, L"app.exe", result);
  EXPECT_EQ(result, static_cast<LONG>(ERROR_FILE_NOT_FOUND));
}

TEST(Registry, AMalformedStoreReadsAsEmptyAndIsReplacedOnWrite) {
  TempMachineRoot root;
  WriteTestFile(root.path() / "registry.reg", std::string("\x01\x02[HKEY_CURRENT_USER\\X]\n\"v\"=dword:zz\n\xFF", 36));
  LONG result;
  ReadDword(HKEY_CURRENT_USER, L"X", L"v", result);
  EXPECT_NE(result, static_cast<LONG>(ERROR_SUCCESS));
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"X", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            static_cast<LONG>(ERROR_SUCCESS));
  DWORD value = 5;
  ASSERT_EQ(RegSetValueExW(key, L"v", 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), 4), static_cast<LONG>(ERROR_SUCCESS));
  RegCloseKey(key);
  EXPECT_EQ(ReadDword(HKEY_CURRENT_USER, L"X", L"v", result), 5u);
}

TEST(Registry, SettingTheValueAValueHoldsLeavesTheStoreAsItIs) {
  TempMachineRoot root;
  const std::filesystem::path store = root.path() / "registry.reg";
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"X", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            static_cast<LONG>(ERROR_SUCCESS));
  DWORD value = 11001;
  ASSERT_EQ(RegSetValueExW(key, L"v", 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), 4), static_cast<LONG>(ERROR_SUCCESS));
  // The store is replaced whole when it changes: a new file each time.
  struct stat before {};
  ASSERT_EQ(stat(store.c_str(), &before), 0);
  ASSERT_EQ(RegSetValueExW(key, L"v", 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), 4), static_cast<LONG>(ERROR_SUCCESS));
  struct stat same {};
  ASSERT_EQ(stat(store.c_str(), &same), 0);
  EXPECT_EQ(same.st_ino, before.st_ino) << "the same value again: no rewrite";
  // The same bytes as another type are another value.
  ASSERT_EQ(RegSetValueExW(key, L"v", 0, REG_BINARY, reinterpret_cast<BYTE*>(&value), 4), static_cast<LONG>(ERROR_SUCCESS));
  struct stat changed {};
  ASSERT_EQ(stat(store.c_str(), &changed), 0);
  EXPECT_NE(changed.st_ino, before.st_ino);
  RegCloseKey(key);
  LONG result;
  ReadDword(HKEY_CURRENT_USER, L"X", L"v", result);
  EXPECT_EQ(result, -1) << "now binary, no longer a number";
}

}  // namespace
