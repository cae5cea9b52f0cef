// CWhitelist: one of the main window's two web whitelists, and the match
// rule the portal's navigation policy applies to it.
//
// The configuration thread writes a list once and the user-interface thread
// reads it: new entries are gathered privately and published whole, so a
// reader always sees a complete list in document order.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

using WhitelistEntries = std::vector<std::wstring>;

class CWhitelist {
 public:
  CWhitelist();
  CWhitelist(const CWhitelist&) = delete;
  CWhitelist& operator=(const CWhitelist&) = delete;

  // The current entries; never null, unchanged for as long as it is held.
  std::shared_ptr<const WhitelistEntries> Snapshot() const;
  // Publishes the current entries followed by entries, in order.
  void Append(const WhitelistEntries& entries);
  bool IsEmpty() const;

 private:
  mutable std::mutex lock_;
  std::shared_ptr<const WhitelistEntries> entries_;
};

// True when the match key of an entry (its text before the first "?")
// occurs in address; the first matching entry decides. An empty key (the
// empty entry, or one that begins with "?") matches every address; an
// empty list matches none.
bool MatchWhitelist(const WhitelistEntries& entries, const std::wstring& address);
bool MatchWhitelist(const CWhitelist& list, const std::wstring& address);
