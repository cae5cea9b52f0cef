// Internal: "machine.ini" under the machine root, where a test (or a user)
// describes the Windows the layer answers as: [version] major, minor,
// build; [machine] word_size (32 or 64); [kernel32] IsWow64Process (0 makes
// the procedure missing).
#pragma once

#include <string>

int MachineSetting(const std::wstring& section, const std::wstring& key, int defaultValue);
