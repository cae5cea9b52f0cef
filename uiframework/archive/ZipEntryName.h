// Entry names: the form a wanted name is looked up in, and the sanitised
// form a stored name is described with.
#pragma once

#include <string>

namespace SkinUI {

// "\" becomes "/", a leading "/" is dropped, runs of "/" collapse to one.
std::string NormalizeLookupName(const std::string& name);

// Drops drive prefixes, leading separators and everything up to the last
// parent step that follows a separator ("a/../b" describes as "b").
std::wstring SanitizeEntryName(const std::wstring& stored);

// True when a relative target path would leave its base directory or is
// not relative at all (absolute, drive prefix, a ".." part).
bool PathEscapesBase(const std::wstring& path);

}  // namespace SkinUI
