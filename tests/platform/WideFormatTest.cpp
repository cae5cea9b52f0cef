#include "platform/WideFormat.h"

#include <gtest/gtest.h>

#include <climits>

TEST(WideFormat, UsesWindowsMeaningsOfStringConversions) {
  EXPECT_EQ(FormatWide(100, L"%s|%S|%hs|%ls", L"宽", "narrow", "h", L"l"), L"宽|narrow|h|l");
  EXPECT_EQ(FormatWide(100, L"%S", "\xE5\x8A\xA0\xE9\x80\x9F"), L"加速");  // narrow text is UTF-8
  EXPECT_EQ(FormatWide(100, L"%c%C", L'字', 'a'), L"字a");
  EXPECT_EQ(FormatWide(100, L"[%s][%S]", static_cast<const wchar_t*>(nullptr), static_cast<const char*>(nullptr)),
            L"[(null)][(null)]");
}

TEST(WideFormat, FormatsNumbersWithFlagsWidthAndPrecision) {
  EXPECT_EQ(FormatWide(100, L"%04d-%02d-%02d", 2026, 3, 9), L"2026-03-09");
  EXPECT_EQ(FormatWide(100, L"%ld %lu %02x %X %o", -5L, 7UL, 10u, 255u, 8u), L"-5 7 0a FF 10");
  EXPECT_EQ(FormatWide(100, L"%lld %I64d %zu", LLONG_MIN, 42LL, static_cast<size_t>(3)),
            L"-9223372036854775808 42 3");
  EXPECT_EQ(FormatWide(100, L"[%-5d][%5s][%.2s][%*d]", 1, L"ab", L"abcd", 4, 7), L"[1    ][   ab][ab][   7]");
  EXPECT_EQ(FormatWide(100, L"%.3f %g %%", 3.14159, 0.5), L"3.142 0.5 %");
}

TEST(WideFormat, CutsAtTheLimitInsteadOfOverflowing) {
  std::wstring big(5000, L'x');
  EXPECT_EQ(FormatWide(10, L"%s", big.c_str()), std::wstring(10, L'x'));
  EXPECT_EQ(FormatWide(4, L"%10d", 1), L"    ");
  wchar_t buffer[6];
  EXPECT_EQ(FormatWideToBuffer(buffer, 6, L"%s", L"abcdefgh"), -1);
  EXPECT_STREQ(buffer, L"abcde");
  EXPECT_EQ(FormatWideToBuffer(buffer, 6, L"%d", 42), 2);
  EXPECT_STREQ(buffer, L"42");
  EXPECT_EQ(FormatWideToBuffer(buffer, 0, L"%d", 42), -1);
}

TEST(WideFormat, CopiesUnknownConversionsAndNeverWritesThroughPercentN) {
  int target = 17;
  EXPECT_EQ(FormatWide(100, L"a%nb%q%", &target), L"a%nb%q%");
  EXPECT_EQ(target, 17);
}
