#include "outside/drivers/DriverFile.h"

#include <gtest/gtest.h>

TEST(DriverFile, RoundTripsEveryKindBitnessAndLoadAnswer) {
  for (DriverKind kind : {DriverKind::kProxy, DriverKind::kProcess}) {
    for (int bits : {32, 64}) {
      for (bool loads : {true, false}) {
        for (bool service : {true, false}) {
          const DriverFileInfo info{"x.sys", kind, bits, loads, service};
          DriverFileInfo parsed;
          ASSERT_TRUE(ParseDriverFile(FormatDriverFile(info), parsed));
          EXPECT_EQ(parsed.kind, kind);
          EXPECT_EQ(parsed.bits, bits);
          EXPECT_EQ(parsed.loads, loads);
          EXPECT_EQ(parsed.service, service);
          EXPECT_EQ(parsed.name, "x.sys");
        }
      }
    }
  }
}

TEST(DriverFile, RefusesDamagedFiles) {
  const std::string good = FormatDriverFile({"proxy64.sys", DriverKind::kProxy, 64, true});
  DriverFileInfo info;
  const std::string damaged[] = {
      "",
      "MZ\x90\x00 a real PE file",
      good.substr(0, good.size() - 1),                     // no final newline
      good.substr(0, good.find("load=")),                  // a key missing
      good + "load=ok\n",                                  // a key twice
      good + "colour=blue\n",                              // an unknown key
      good + "redirect=maybe\n",                           // an unknown redirect
      good + "redirect=service\nredirect=service\n",       // redirect twice
      "BRISGOL-DRIVER 2\n" + good.substr(good.find('\n') + 1),
      std::string(kDriverFileMagic) + "\nname=a\nkind=filter\narch=64\nload=ok\n",
      std::string(kDriverFileMagic) + "\nname=a\nkind=proxy\narch=16\nload=ok\n",
      std::string(kDriverFileMagic) + "\nname=a\nkind=proxy\narch=64\nload=maybe\n",
      std::string(kDriverFileMagic) + "\nname=\nkind=proxy\narch=64\nload=ok\n",
      good + std::string(kMaxDriverFileBytes, '#'),
  };
  for (const std::string& bytes : damaged) EXPECT_FALSE(ParseDriverFile(bytes, info)) << bytes;
}
