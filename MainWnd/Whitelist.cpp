#include "MainWnd/Whitelist.h"

CWhitelist::CWhitelist() : entries_(std::make_shared<const WhitelistEntries>()) {}

std::shared_ptr<const WhitelistEntries> CWhitelist::Snapshot() const {
  std::lock_guard<std::mutex> guard(lock_);
  return entries_;
}

void CWhitelist::Append(const WhitelistEntries& entries) {
  std::lock_guard<std::mutex> guard(lock_);
  auto combined = std::make_shared<WhitelistEntries>(*entries_);
  combined->insert(combined->end(), entries.begin(), entries.end());
  entries_ = std::move(combined);
}

bool CWhitelist::IsEmpty() const { return Snapshot()->empty(); }

bool MatchWhitelist(const WhitelistEntries& entries, const std::wstring& address) {
  for (const std::wstring& entry : entries) {
    // The part after the first "?" never takes part. Matching is a plain
    // substring search, as the deployed lists are written for it
    // (compatibility): an entry matches wherever its key occurs.
    std::wstring key = entry.substr(0, entry.find(L'?'));
    if (address.find(key) != std::wstring::npos) return true;
  }
  return false;
}

bool MatchWhitelist(const CWhitelist& list, const std::wstring& address) {
  return MatchWhitelist(*list.Snapshot(), address);
}
