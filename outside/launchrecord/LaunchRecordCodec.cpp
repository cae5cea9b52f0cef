#include "outside/launchrecord/LaunchRecordCodec.h"

#include "outside/launchrecord/Base64.h"
#include "outside/launchrecord/Xxtea.h"

#include <cstdint>
#include <vector>

namespace {

std::uint32_t ReadWordLe(const std::string& bytes, std::size_t offset) {
  std::uint32_t word = 0;
  for (std::size_t k = 0; k < 4; ++k) {
    word |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[offset + k])) << (8 * k);
  }
  return word;
}

void AppendWordLe(std::string& bytes, std::uint32_t word) {
  for (std::size_t k = 0; k < 4; ++k) bytes += static_cast<char>((word >> (8 * k)) & 0xFF);
}

}  // namespace

std::string EncodeLaunchRecord(const std::string& record) {
  const std::size_t wordCount = (record.size() + 3) / 4;
  std::string padded = record;
  padded.resize(wordCount * 4, '\0');
  std::vector<std::uint32_t> words;
  words.reserve(wordCount + 1);
  for (std::size_t i = 0; i < wordCount; ++i) words.push_back(ReadWordLe(padded, i * 4));
  words.push_back(static_cast<std::uint32_t>(record.size()));
  XxteaEncrypt(words, XxteaKeyFromText(kLaunchRecordKey));
  std::string bytes;
  bytes.reserve(words.size() * 4);
  for (std::uint32_t word : words) AppendWordLe(bytes, word);
  return Base64Encode(bytes);
}

LaunchRecordError DecryptLaunchRecord(const std::string& encoded, std::string& record) {
  std::string bytes;
  if (!Base64Decode(encoded, bytes)) return LaunchRecordError::kNotBase64;
  if (bytes.size() % 4 != 0 || bytes.size() < 8) return LaunchRecordError::kBadLength;
  std::vector<std::uint32_t> words;
  words.reserve(bytes.size() / 4);
  for (std::size_t i = 0; i < bytes.size(); i += 4) words.push_back(ReadWordLe(bytes, i));
  XxteaDecrypt(words, XxteaKeyFromText(kLaunchRecordKey));
  const std::size_t dataWords = words.size() - 1;
  const std::uint32_t length = words.back();
  // The length needs exactly the words in front of the length word, and the
  // padding after it is zero.
  if (length == 0 || (length + 3) / 4 != dataWords) return LaunchRecordError::kBadLengthWord;
  std::string plain;
  plain.reserve(dataWords * 4);
  for (std::size_t i = 0; i < dataWords; ++i) AppendWordLe(plain, words[i]);
  for (std::size_t i = length; i < plain.size(); ++i) {
    if (plain[i] != '\0') return LaunchRecordError::kBadLengthWord;
  }
  plain.resize(length);
  record = plain;
  return LaunchRecordError::kNone;
}

LaunchRecordError DecodeLaunchRecord(const std::string& encoded, LaunchRecord& record) {
  std::string text;
  const LaunchRecordError error = DecryptLaunchRecord(encoded, text);
  if (error != LaunchRecordError::kNone) return error;
  return ParseLaunchRecord(text, record);
}
