// ZipArchive: the reader of the skin archive, over minizip and zlib. It
// opens an archive held in memory (or in a file), finds entries by name,
// describes them and extracts them into memory in one or more chunks, or
// into files. Entries may be protected with the traditional PKWARE
// encryption. Not thread-safe: one handle has one streaming position.
#pragma once

#include "uiframework/archive/ZipTypes.h"

namespace SkinUI {

// source: a FILE* (mode ZipFileHandle), a wide file name (ZipFileName) or a
// buffer of length bytes (ZipMemory; used in place, it must stay valid
// while the archive is open). Returns null on failure (see LastZipResult).
ZipArchive* OpenArchive(const void* source, DWORD length, int mode, const char* password);
ZipArchive* OpenArchiveFile(const wchar_t* fileName, const char* password);
ZipArchive* OpenArchiveMemory(const void* buffer, DWORD length, const char* password);

// Index -1 reports the number of entries in entry.index.
DWORD DescribeEntry(ZipArchive* archive, int index, ZipEntry& entry);
// Finds an entry by name ("\" and "/" alike, leading and doubled
// separators ignored). Not found: index -1 and ZipNotFound.
DWORD FindEntry(ZipArchive* archive, const wchar_t* name, bool ignoreCase, int& index, ZipEntry& entry);

// mode ZipMemory: reads up to length bytes of the entry into target and
// returns ZipMore while data remains (call again with the same index),
// ZipOk at its end. bytesRead (optional) receives the number of bytes
// actually written into target by this call.
// mode ZipFileName: target is a relative path placed under the directory
// that was current when the archive was opened; absolute paths and ".."
// parts are refused with ZipBadArgs. mode ZipFileHandle: target is a FILE*.
DWORD ExtractEntry(ZipArchive* archive, int index, void* target, DWORD length, int mode, DWORD* bytesRead = nullptr);
DWORD ExtractToMemory(ZipArchive* archive, int index, void* buffer, DWORD length, DWORD* bytesRead = nullptr);

DWORD CloseArchive(ZipArchive* archive);

// The result of the last operation of any archive.
DWORD LastZipResult();

}  // namespace SkinUI
