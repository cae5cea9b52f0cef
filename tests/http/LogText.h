// Test support: the text of a UTF-16LE log file written by CWriteLogFile.
#pragma once

#include <filesystem>
#include <string>

// The records' text without the byte-order mark; empty when missing.
std::wstring ReadLogText(const std::filesystem::path& path);
