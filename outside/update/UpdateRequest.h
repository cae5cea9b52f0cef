// The update request the front end hands to "update.exe": a JSON object of
// five strings (exe_name, update_md5, update_url, version, version_code).
#pragma once

#include <string>

struct UpdateRequest {
  std::string exeName;     // file name of the front end's executable
  std::string updateMd5;   // MD5 digest of the release, 32 hex digits
  std::string updateUrl;   // where the release is downloaded from
  std::string version;     // the running release's name
  std::string versionCode; // the running release's code
};

// Parses and checks a request: every member a string, the executable name a
// plain file name (no directory part, not "." or ".."), the URL not empty,
// the digest 32 hexadecimal digits. On false, error says why, and
// request.exeName holds the executable's name when that member was a plain
// file name (the program to start again), else it is empty.
bool ParseUpdateRequest(const std::string& text, UpdateRequest& request, std::string& error);
