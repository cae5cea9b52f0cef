// Initialisation files ("local.cfg"): sections, key=value lines, read and
// written with the profile functions.
//
// Section and key names compare ignoring case. Files are read as UTF-8 (or
// UTF-16LE with a byte-order mark); a missing, unreadable or malformed file
// reads as empty. Writes replace the file atomically.
#pragma once

#include "platform/Types.h"

// The key's leading decimal integer (sign allowed, blanks skipped, 0 when no
// digit follows); defaultValue when the file, section or key is missing.
UINT GetPrivateProfileIntW(LPCWSTR section, LPCWSTR key, INT defaultValue, LPCWSTR path);

// Copies the value (or defaultValue) into buffer, cut to size - 1
// characters; returns the number of characters copied.
DWORD GetPrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR defaultValue, LPWSTR buffer, DWORD size,
                               LPCWSTR path);

// Writes key=value into section, creating the file and the section when
// needed. A null value deletes the key; a null key deletes the section.
BOOL WritePrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR value, LPCWSTR path);
