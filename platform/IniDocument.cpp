#include "platform/IniDocument.h"

#include "platform/AtomicFile.h"
#include "platform/CodePage.h"

#include <cwctype>

namespace {

constexpr size_t kMaxIniBytes = 4u * 1024 * 1024;

std::wstring Trim(const std::wstring& s) {
  size_t b = s.find_first_not_of(L" \t\r");
  if (b == std::wstring::npos) return L"";
  size_t e = s.find_last_not_of(L" \t\r");
  return s.substr(b, e - b + 1);
}

bool SameName(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i]))) return false;
  return true;
}

// The name of a "[section]" line, or nothing.
std::optional<std::wstring> HeaderName(const std::wstring& line) {
  std::wstring t = Trim(line);
  if (t.size() < 2 || t.front() != L'[') return std::nullopt;
  size_t close = t.find(L']');
  if (close == std::wstring::npos) return std::nullopt;
  return Trim(t.substr(1, close - 1));
}

bool KeyOf(const std::wstring& line, std::wstring& key, std::wstring& value) {
  std::wstring t = Trim(line);
  if (t.empty() || t[0] == L';' || t[0] == L'#' || t[0] == L'[') return false;
  size_t eq = t.find(L'=');
  if (eq == std::wstring::npos) return false;
  key = Trim(t.substr(0, eq));
  value = Trim(t.substr(eq + 1));
  return true;
}

}  // namespace

IniDocument IniDocument::Load(const std::string& nativePath) {
  std::string bytes;
  if (!ReadWholeFile(nativePath, bytes, kMaxIniBytes)) return IniDocument{};
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE)
    return Parse(Utf16LeBytesToWide(bytes.substr(2)));
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
  return Parse(Utf8ToWideString(bytes));
}

IniDocument IniDocument::Parse(const std::wstring& text) {
  IniDocument doc;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(start, end - start);
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    doc.lines_.push_back(std::move(line));
    start = end + 1;
  }
  return doc;
}

size_t IniDocument::FindSection(const std::wstring& section) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    auto name = HeaderName(lines_[i]);
    if (name && SameName(*name, section)) return i;
  }
  return std::wstring::npos;
}

size_t IniDocument::SectionEnd(size_t header) const {
  size_t i = header + 1;
  while (i < lines_.size() && !HeaderName(lines_[i])) ++i;
  return i;
}

size_t IniDocument::FindKey(size_t header, const std::wstring& key) const {
  std::wstring k, v;
  for (size_t i = header + 1, end = SectionEnd(header); i < end; ++i)
    if (KeyOf(lines_[i], k, v) && SameName(k, key)) return i;
  return std::wstring::npos;
}

std::optional<std::wstring> IniDocument::Get(const std::wstring& section, const std::wstring& key) const {
  size_t header = FindSection(section);
  if (header == std::wstring::npos) return std::nullopt;
  size_t line = FindKey(header, key);
  if (line == std::wstring::npos) return std::nullopt;
  std::wstring k, v;
  KeyOf(lines_[line], k, v);
  return v;
}

void IniDocument::Set(const std::wstring& section, const std::wstring& key, const std::wstring& value) {
  std::wstring line = key + L"=" + value;
  size_t header = FindSection(section);
  if (header == std::wstring::npos) {
    lines_.push_back(L"[" + section + L"]");
    lines_.push_back(line);
    return;
  }
  size_t existing = FindKey(header, key);
  if (existing != std::wstring::npos) {
    lines_[existing] = line;
    return;
  }
  // After the section's last non-blank line.
  size_t end = SectionEnd(header);
  while (end > header + 1 && Trim(lines_[end - 1]).empty()) --end;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(end), line);
}

void IniDocument::RemoveKey(const std::wstring& section, const std::wstring& key) {
  size_t header = FindSection(section);
  if (header == std::wstring::npos) return;
  size_t line = FindKey(header, key);
  if (line != std::wstring::npos) lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(line));
}

void IniDocument::RemoveSection(const std::wstring& section) {
  size_t header = FindSection(section);
  if (header == std::wstring::npos) return;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(header),
               lines_.begin() + static_cast<std::ptrdiff_t>(SectionEnd(header)));
}

std::vector<std::wstring> IniDocument::Sections() const {
  std::vector<std::wstring> names;
  for (const auto& line : lines_)
    if (auto name = HeaderName(line)) names.push_back(*name);
  return names;
}

std::wstring IniDocument::Text() const {
  std::wstring text;
  for (const auto& line : lines_) text += line + L"\r\n";
  return text;
}

bool IniDocument::Save(const std::string& nativePath) const {
  return WriteFileAtomically(nativePath, WideToUtf8String(Text()));
}
