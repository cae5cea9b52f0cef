// Test fixture: builds an encrypted zip with Debian's zip tool ("zip -P"),
// the same tool the build packs the skin with.
#pragma once

#include <filesystem>
#include <map>
#include <string>

// Writes the files (relative name -> bytes) under dir/content and packs
// them into dir/skin.zip with the password; returns the archive's bytes
// ("" when the tool failed).
std::string BuildZipWithTool(const std::filesystem::path& dir, const std::map<std::string, std::string>& files,
                             const std::string& password);
