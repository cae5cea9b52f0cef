// The launch record's transport form: the record's bytes as little-endian
// 32-bit words plus one word holding the byte count, encrypted with XXTEA
// under the key "9313", written out as little-endian bytes and encoded in
// standard Base64.
#pragma once

#include "outside/launchrecord/LaunchRecord.h"

#include <string>

// The key text shared by the front end and the local proxy.
inline constexpr char kLaunchRecordKey[] = "9313";

// The printable, encrypted form of record (plain ASCII, length a multiple
// of 4).
std::string EncodeLaunchRecord(const std::string& record);

// Reverses EncodeLaunchRecord; record is filled only on kNone.
LaunchRecordError DecryptLaunchRecord(const std::string& encoded, std::string& record);

// DecryptLaunchRecord followed by ParseLaunchRecord.
LaunchRecordError DecodeLaunchRecord(const std::string& encoded, LaunchRecord& record);
