// The hand-over to the update program "update.exe".
#pragma once

#include <string>

// The update request: a compact JSON object of five strings in ascending
// key order (exe_name, update_md5, update_url, version, version_code)
// followed by a line feed. exeName is UTF-8.
std::string BuildUpdateRequest(const std::string& md5, const std::string& url, const std::string& exeName);

// The command line that hands text to a program as its one argument under
// the Windows splitting rules (quoted, with quotes and the backslashes
// before them escaped).
std::wstring QuoteCommandLineArgument(const std::wstring& text);

// Copies "update.exe" of the program directory to "update/update.exe" and
// starts the copy with the update request (for this executable, with md5
// and url passed on unchanged) as its one argument. False, with a log
// record, when the program is missing, cannot be copied or does not start.
bool LaunchUpdater(const std::string& md5, const std::string& url);
