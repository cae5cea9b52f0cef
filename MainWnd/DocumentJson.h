// Reading the decrypted remote documents' JSON into the shapes the program
// expects. The documents are remote and unauthenticated: every other shape
// is refused with false, never with an exception.
#pragma once

#include <string>
#include <vector>

// The settings of the configuration document.
struct ConfigSettings {
  std::string inOpenUrl;   // "in_open_url": the inside whitelist document
  std::string outOpenUrl;  // "out_open_url": the outside whitelist document
  std::string updateMd5;   // "update_md5": digest of the new release, passed on
  std::string updateUrl;   // "update_url": the new release
};

// A JSON object (comments allowed) whose four members are strings, or null
// or absent (read as empty); other members are ignored.
bool ReadConfigSettings(const std::string& text, ConfigSettings& settings);

// A JSON array (comments allowed) of strings, each UTF-8; the entries in
// document order. Nothing is stored when the array holds anything else.
bool ReadWhitelistEntries(const std::string& text, std::vector<std::wstring>& entries);
