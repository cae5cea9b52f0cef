// Internal: an initialisation file as lines, for the profile functions and
// the layer's own store files. Keeps comments and the order of lines.
#pragma once

#include <optional>
#include <string>
#include <vector>

class IniDocument {
 public:
  // Reads a file; a missing, unreadable or oversized file reads as empty.
  static IniDocument Load(const std::string& nativePath);
  static IniDocument Parse(const std::wstring& text);

  std::optional<std::wstring> Get(const std::wstring& section, const std::wstring& key) const;
  void Set(const std::wstring& section, const std::wstring& key, const std::wstring& value);
  void RemoveKey(const std::wstring& section, const std::wstring& key);
  void RemoveSection(const std::wstring& section);
  std::vector<std::wstring> Sections() const;

  std::wstring Text() const;
  bool Save(const std::string& nativePath) const;

 private:
  // Index of the section's header line, or npos.
  size_t FindSection(const std::wstring& section) const;
  // End of the section starting at header (the next header or the end).
  size_t SectionEnd(size_t header) const;
  size_t FindKey(size_t header, const std::wstring& key) const;

  std::vector<std::wstring> lines_;
};
