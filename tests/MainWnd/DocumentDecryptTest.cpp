// DecryptDocument with the build's document key, and the hexadecimal
// reading underneath it.
#include "MainWnd/DocumentDecrypt.h"
#include "MainWnd/DocumentJson.h"
#include "MainWnd/HexText.h"

#include "tests/http/TestDocuments.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

namespace {

using Bytes = std::vector<unsigned char>;

TEST(HexText, DecodesStrictlyPairByPair) {
  EXPECT_EQ(DecodeHexText("00ff7Fa0"), (Bytes{0x00, 0xff, 0x7f, 0xa0}));
  // An odd last digit stands alone.
  EXPECT_EQ(DecodeHexText("abc"), (Bytes{0xab, 0x0c}));
  // A pair that does not start with a digit is 0, whatever follows.
  EXPECT_EQ(DecodeHexText(" 1+1-10x"), (Bytes{0, 0, 0, 0}));
  EXPECT_EQ(DecodeHexText("g1"), (Bytes{0}));
  // A good first digit with a bad second one is the first digit alone.
  EXPECT_EQ(DecodeHexText("1g2 3"), (Bytes{1, 2, 3}));
  EXPECT_TRUE(DecodeHexText("").empty());
}

TEST(DecryptDocument, ShortTextsArePlaintextAndLongerOnesAreHex) {
  EXPECT_EQ(DecryptDocument(""), "");
  std::string plain63(63, '{');
  EXPECT_EQ(DecryptDocument(plain63), plain63);
  // From 64 characters on the text is hexadecimal; less than one block
  // decrypts to nothing.
  EXPECT_EQ(DecryptDocument(std::string(64, '{')), "");
  EXPECT_EQ(DecryptDocument(std::string(65, 'a')), "");
  EXPECT_EQ(DecryptDocument(std::string(255, 'a')), "");
}

TEST(DecryptDocument, JoinsTheBlocksInOrderInEitherLetterCase) {
  std::string plain;
  for (int i = 0; i < 400; ++i) plain.push_back(static_cast<char>('a' + i % 26));
  std::string sealed = SealWithDocumentKey(plain);
  ASSERT_EQ(sealed.size(), 4u * 256);  // 117-byte pieces
  EXPECT_EQ(DecryptDocument(sealed), plain);

  std::string upper = sealed;
  std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
  EXPECT_EQ(DecryptDocument(upper), plain);
}

TEST(DecryptDocument, IgnoresDigitsThatFillNoWholeBlock) {
  std::string sealed = SealWithDocumentKey("{\"a\":\"b\"}");
  EXPECT_EQ(DecryptDocument(sealed + std::string(44, 'f')), "{\"a\":\"b\"}");  // 300 digits
  EXPECT_EQ(DecryptDocument(sealed + "7"), "{\"a\":\"b\"}");                      // odd length
}

TEST(DecryptDocument, ABlockThatFailsAddsNothingAndTheOthersStay) {
  std::string sealed = SealWithDocumentKey(std::string(117, 'A') + std::string(117, 'B') + "CC");
  std::string damaged = sealed;
  damaged.replace(256, 256, std::string(256, '0'));
  EXPECT_EQ(DecryptDocument(damaged), std::string(117, 'A') + "CC");

  std::string notHex = sealed;
  notHex.replace(300, 10, "zzzzzzzzzz");
  EXPECT_EQ(DecryptDocument(notHex), std::string(117, 'A') + "CC");
}

TEST(DecryptDocument, APieceEndsAtItsFirstZeroAndLeavesNothingBehind) {
  std::string first = std::string("a") + '\0' + std::string(100, 'z');
  std::string sealed = SealWithDocumentKey(first) + SealWithDocumentKey("bc");
  EXPECT_EQ(DecryptDocument(sealed), "abc");
}

TEST(DecryptDocument, ADocumentForAnotherKeyDecryptsToNothing) {
  EXPECT_EQ(DecryptDocument(SealWithOtherKey("{\"in_open_url\":\"x\"}")), "");
}

TEST(DocumentJson, ConfigSettingsAreStringsOrAbsent) {
  ConfigSettings settings;
  ASSERT_TRUE(ReadConfigSettings(
      "// comment\n{\"in_open_url\":\"i\",\"out_open_url\":\"o\",\"update_md5\":null,\"other\":[1]}", settings));
  EXPECT_EQ(settings.inOpenUrl, "i");
  EXPECT_EQ(settings.outOpenUrl, "o");
  EXPECT_EQ(settings.updateMd5, "");
  EXPECT_EQ(settings.updateUrl, "");

  for (const char* text : {"", "[]", "5", "\"text\"", "{\"update_url\":5}", "{\"in_open_url\":[\"x\"]}",
                           "{\"out_open_url\":{}}", "{\"update_md5\":true}", "{\"a\":"}) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(ReadConfigSettings(text, settings));
  }
  EXPECT_FALSE(ReadConfigSettings(std::string(100000, '[') + std::string(100000, ']'), settings));
}

TEST(DocumentJson, WhitelistsAreArraysOfStringsInOrder) {
  std::vector<std::wstring> entries;
  ASSERT_TRUE(ReadWhitelistEntries("[\"b\",\"a\",\"\\u4e2d\"] /* comment */", entries));
  EXPECT_EQ(entries, (std::vector<std::wstring>{L"b", L"a", L"中"}));

  for (const char* text : {"{}", "\"a\"", "[\"a\",1]", "[[\"a\"]]", "[\"a\",{}]", "[null]"}) {
    SCOPED_TRACE(text);
    entries = {L"kept"};
    EXPECT_FALSE(ReadWhitelistEntries(text, entries));
    EXPECT_EQ(entries, std::vector<std::wstring>{L"kept"});
  }
}

}  // namespace
