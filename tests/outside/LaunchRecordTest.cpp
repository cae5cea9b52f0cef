#include "outside/launchrecord/Base64.h"
#include "outside/launchrecord/LaunchRecordCodec.h"
#include "outside/launchrecord/Xxtea.h"
#include "tests/outside/support/ChildProcess.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

const std::string kRecord = "203.0.113.7|38549|WsxRfvYhn738#!&|48080|4242||5190467|0";

// Runs the independent Python reference; false when it refused.
bool RunReference(const std::string& mode, const std::string& argument, std::string& output) {
  const auto outputPath = std::filesystem::temp_directory_path() / ("launch_record_ref_" + std::to_string(getpid()));
  ChildProcess reference;
  if (!reference.Start({"python3", LAUNCH_RECORD_REFERENCE, mode, argument},
                       outputPath.string())) {
    return false;
  }
  const int status = reference.Wait(std::chrono::seconds(20));
  std::stringstream text;
  text << std::ifstream(outputPath).rdbuf();
  output = text.str();
  std::filesystem::remove(outputPath);
  return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string WordsToBase64(const std::vector<std::uint32_t>& words) {
  std::string bytes;
  for (std::uint32_t word : words) {
    for (int k = 0; k < 4; ++k) bytes += static_cast<char>((word >> (8 * k)) & 0xFF);
  }
  return Base64Encode(bytes);
}

}  // namespace

TEST(LaunchRecord, FormatsTheEightFieldsInOrder) {
  LaunchRecord record;
  record.serverAddress = "203.0.113.7";
  record.serverPort = 38549;
  record.password = "WsxRfvYhn738#!&";
  record.mainPort = 48080;
  record.frontEndPid = 4242;
  record.fixedNumber = 5190467;
  record.mode = "0";
  EXPECT_EQ(FormatLaunchRecord(record), kRecord);

  LaunchRecord parsed;
  ASSERT_EQ(ParseLaunchRecord(kRecord, parsed), LaunchRecordError::kNone);
  EXPECT_EQ(FormatLaunchRecord(parsed), kRecord);
  EXPECT_EQ(parsed.serverPort, 38549);
  EXPECT_EQ(parsed.mainPort, 48080);
  EXPECT_EQ(parsed.fixedNumber, 5190467u);
}

TEST(LaunchRecord, EncodedFormIsAsciiInWholeQuadsAndRoundTrips) {
  for (std::size_t length = 1; length <= 70; ++length) {
    const std::string record = std::string(kRecord + kRecord).substr(0, length);
    const std::string encoded = EncodeLaunchRecord(record);
    EXPECT_EQ(encoded.size() % 4, 0u);
    // n data words plus the length word, in Base64.
    const std::size_t bytes = ((length + 3) / 4 + 1) * 4;
    EXPECT_EQ(encoded.size(), (bytes + 2) / 3 * 4);
    for (char c : encoded) EXPECT_TRUE(c > 0x20 && c < 0x7F);
    std::string decoded;
    ASSERT_EQ(DecryptLaunchRecord(encoded, decoded), LaunchRecordError::kNone) << length;
    EXPECT_EQ(decoded, record);
  }
}

TEST(LaunchRecord, AgreesWithTheIndependentReference) {
  std::string fromReference;
  ASSERT_TRUE(RunReference("encode", kRecord, fromReference)) << "python3 reference did not run";
  EXPECT_EQ(fromReference, EncodeLaunchRecord(kRecord));

  std::string decodedByReference;
  ASSERT_TRUE(RunReference("decode", EncodeLaunchRecord(kRecord), decodedByReference));
  EXPECT_EQ(decodedByReference, kRecord);

  // A record whose length is not a multiple of 4 pads with zero bytes.
  const std::string odd = kRecord + "x";
  ASSERT_TRUE(RunReference("encode", odd, fromReference));
  LaunchRecord parsed;
  std::string text;
  ASSERT_EQ(DecryptLaunchRecord(fromReference, text), LaunchRecordError::kNone);
  EXPECT_EQ(text, odd);
  EXPECT_EQ(ParseLaunchRecord(text, parsed), LaunchRecordError::kNone);
  EXPECT_EQ(parsed.mode, "0x");
}

TEST(LaunchRecord, KeyIsTheTextZeroPaddedAsLittleEndianWords) {
  const XxteaKey key = XxteaKeyFromText("9313");
  EXPECT_EQ(key[0], 0x33313339u);
  EXPECT_EQ(key[1], 0u);
  EXPECT_EQ(key[2], 0u);
  EXPECT_EQ(key[3], 0u);
  const XxteaKey longKey = XxteaKeyFromText("0123456789abcdefEXTRA");
  EXPECT_EQ(longKey[3], 0x66656463u);
}

TEST(LaunchRecord, XxteaDecryptInvertsEncryptAndLeavesShortArrays) {
  const XxteaKey key = XxteaKeyFromText("9313");
  std::vector<std::uint32_t> single{0x12345678u};
  XxteaEncrypt(single, key);
  EXPECT_EQ(single[0], 0x12345678u);
  for (std::size_t n = 2; n < 40; ++n) {
    std::vector<std::uint32_t> words(n);
    for (std::size_t i = 0; i < n; ++i) words[i] = static_cast<std::uint32_t>(i * 2654435761u);
    const auto plain = words;
    XxteaEncrypt(words, key);
    EXPECT_NE(words, plain);
    XxteaDecrypt(words, key);
    EXPECT_EQ(words, plain);
  }
}

TEST(LaunchRecord, RefusesTransportDamage) {
  LaunchRecord record;
  EXPECT_EQ(DecodeLaunchRecord("not base64!", record), LaunchRecordError::kNotBase64);
  EXPECT_EQ(DecodeLaunchRecord("", record), LaunchRecordError::kBadLength);
  // 4 bytes: one word only; 6 bytes: not whole words.
  EXPECT_EQ(DecodeLaunchRecord(Base64Encode("abcd"), record), LaunchRecordError::kBadLength);
  EXPECT_EQ(DecodeLaunchRecord(Base64Encode("abcdef"), record), LaunchRecordError::kBadLength);

  // Encrypted under another key: the length word comes out wrong.
  std::vector<std::uint32_t> words{0x2e333032u, 0x00000000u, 4u};
  XxteaEncrypt(words, XxteaKeyFromText("other"));
  EXPECT_EQ(DecodeLaunchRecord(WordsToBase64(words), record), LaunchRecordError::kBadLengthWord);

  // The right key, but a length word that needs more or fewer words.
  for (std::uint32_t length : {0u, 4u, 9u, 100u}) {
    std::vector<std::uint32_t> lied{0x41414141u, 0x42424242u, length};
    XxteaEncrypt(lied, XxteaKeyFromText(kLaunchRecordKey));
    EXPECT_EQ(DecodeLaunchRecord(WordsToBase64(lied), record), LaunchRecordError::kBadLengthWord) << length;
  }

  // A flipped bit anywhere shows.
  std::string encoded = EncodeLaunchRecord(kRecord);
  encoded[5] = encoded[5] == 'A' ? 'B' : 'A';
  EXPECT_NE(DecodeLaunchRecord(encoded, record), LaunchRecordError::kNone);
}

TEST(LaunchRecord, RefusesBadFields) {
  const std::pair<std::string, LaunchRecordError> cases[] = {
      {"127.0.0.1|38549|pw|48080|1||5190467", LaunchRecordError::kWrongFieldCount},
      {"127.0.0.1|38549|pw|48080|1||5190467|0|", LaunchRecordError::kWrongFieldCount},
      {"127.0.0.1|38549|pw|48080|1||5190467|0|extra", LaunchRecordError::kWrongFieldCount},
      {"127.0.0.1|0|pw|48080|1||5190467|0", LaunchRecordError::kBadPort},
      {"127.0.0.1|38549|pw|65536|1||5190467|0", LaunchRecordError::kBadPort},
      {"127.0.0.1|-1|pw|48080|1||5190467|0", LaunchRecordError::kBadPort},
      {"127.0.0.1|38549|pw|4808x|1||5190467|0", LaunchRecordError::kBadPort},
      {"127.0.0.1|38549|pw| 48080|1||5190467|0", LaunchRecordError::kBadPort},
      {"127.0.0.1|38549|pw|48080|one||5190467|0", LaunchRecordError::kBadNumber},
      {"127.0.0.1|38549|pw|48080|1||-5190467|0", LaunchRecordError::kBadNumber},
      {"|38549|pw|48080|1||5190467|0", LaunchRecordError::kBadAddress},
      {"example.com|38549|pw|48080|1||5190467|0", LaunchRecordError::kBadAddress},
      {"127.0.0.256|38549|pw|48080|1||5190467|0", LaunchRecordError::kBadAddress},
  };
  for (const auto& [text, error] : cases) {
    LaunchRecord record;
    EXPECT_EQ(DecodeLaunchRecord(EncodeLaunchRecord(text), record), error) << text;
    EXPECT_STRNE(LaunchRecordErrorText(error), "");
  }
  LaunchRecord edges;
  EXPECT_EQ(ParseLaunchRecord("127.0.0.1|1|pw|65535|-7||0|", edges), LaunchRecordError::kNone);
  EXPECT_EQ(edges.frontEndPid, -7);
  // Main port 0: the front end's start failed before choosing a port.
  EXPECT_EQ(ParseLaunchRecord("127.0.0.1|1|pw|0|7||0|", edges), LaunchRecordError::kNone);
  EXPECT_EQ(edges.mainPort, 0);
}
