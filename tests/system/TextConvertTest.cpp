#include "system/TextConvert.h"

#include <gtest/gtest.h>

namespace {

TEST(TextConvert, Utf8RoundTripsAndReplacesInvalidInput) {
  EXPECT_EQ(Utf8ToWide("\xE5\x8A\xA0\xE9\x80\x9F"), L"\u52A0\u901F");
  EXPECT_EQ(WideToUtf8(L"\u52A0\u901F"), "\xE5\x8A\xA0\xE9\x80\x9F");
  EXPECT_EQ(Utf8ToWide(""), L"");
  EXPECT_EQ(WideToUtf8(L""), "");
  EXPECT_EQ(Utf8ToWide("a\xFF" "b\xE5\x8A"), L"a\uFFFDb\uFFFD");
  EXPECT_EQ(Utf8ToWide("\xF0\x9F\x98\x80"), L"\U0001F600");
  EXPECT_EQ(WideToUtf8(L"\U0001F600"), "\xF0\x9F\x98\x80");
}

TEST(TextConvert, AnsiIsTheLocaleCodePageUtf8) {
  EXPECT_EQ(WideToAnsi(L"/opt/加速/proxy64.sys"), "/opt/\xE5\x8A\xA0\xE9\x80\x9F/proxy64.sys");
  EXPECT_EQ(AnsiToWide("127.0.0.1"), L"127.0.0.1");
  // A lone surrogate has no encoding: the replacement character stands in.
  std::wstring lone(1, static_cast<wchar_t>(0xD800));
  EXPECT_EQ(WideToAnsi(lone), "\xEF\xBF\xBD");
}

TEST(TextConvert, EmbeddedZerosEndTheTextInBothPasses) {
  EXPECT_EQ(Utf8ToWide(std::string("ab\0cd", 5)), L"ab");
  EXPECT_EQ(WideToUtf8(std::wstring(L"ab\0cd", 5)), "ab");
}

TEST(TextConvert, SplitWideText) {
  std::vector<std::wstring> pieces;
  SplitWideText(L"a?b?", L"?", pieces);
  EXPECT_EQ(pieces, (std::vector<std::wstring>{L"a", L"b"}));
  SplitWideText(L"?a??b", L"?", pieces);
  EXPECT_EQ(pieces, (std::vector<std::wstring>{L"", L"a", L"", L"b"}));
  SplitWideText(L"plain", L"?", pieces);
  EXPECT_EQ(pieces, (std::vector<std::wstring>{L"plain"}));
  SplitWideText(L"plain", L"", pieces);  // an empty separator cannot loop
  EXPECT_EQ(pieces, (std::vector<std::wstring>{L"plain"}));
}

}  // namespace
