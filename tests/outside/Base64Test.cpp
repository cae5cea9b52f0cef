#include "outside/launchrecord/Base64.h"

#include <gtest/gtest.h>

TEST(Base64, EncodesAndDecodesTheStandardVectors) {
  const std::pair<std::string, std::string> vectors[] = {
      {"", ""},          {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}, {std::string("\xfb\xff", 2), "+/8="},
  };
  for (const auto& [bytes, text] : vectors) {
    EXPECT_EQ(Base64Encode(bytes), text);
    std::string decoded;
    ASSERT_TRUE(Base64Decode(text, decoded)) << text;
    EXPECT_EQ(decoded, bytes);
  }
}

TEST(Base64, RefusesEverythingButCanonicalText) {
  std::string bytes;
  for (const char* bad : {"Zg=", "Zg", "Z===", "Zm9v\n", "Zm-v", "Zm_v", "=Zg=", "Zg==Zg==", "Zh==", "Zm9=", "Zm 9v"}) {
    EXPECT_FALSE(Base64Decode(bad, bytes)) << bad;
  }
}
