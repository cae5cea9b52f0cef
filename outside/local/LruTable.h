// A table of at most `capacity` entries that forgets its least recently
// used entry to make room for a new one. Used for what the proxy keeps per
// game socket and per remote endpoint, so that no amount of traffic makes
// it grow without bound.
#pragma once

#include <cstddef>
#include <iterator>
#include <list>
#include <string>
#include <unordered_map>
#include <utility>

template <typename Value>
class LruTable {
 public:
  explicit LruTable(std::size_t capacity) : capacity_(capacity == 0 ? 1 : capacity) {}

  // The entry of key, now the most recently used; null when absent.
  Value* Find(const std::string& key) {
    const auto found = index_.find(key);
    if (found == index_.end()) return nullptr;
    entries_.splice(entries_.begin(), entries_, found->second);
    return &found->second->second;
  }

  // Adds key (which must be absent) as the most recently used entry. When
  // the table is full, the least recently used entry goes first: it is
  // handed back in evicted (and evictedAny set), so that the caller decides
  // when it is destroyed.
  Value& Insert(const std::string& key, Value value, Value& evicted, bool& evictedAny) {
    evictedAny = false;
    if (entries_.size() >= capacity_) {
      auto last = std::prev(entries_.end());
      evicted = std::move(last->second);
      evictedAny = true;
      index_.erase(last->first);
      entries_.erase(last);
    }
    entries_.emplace_front(key, std::move(value));
    index_[key] = entries_.begin();
    return entries_.front().second;
  }

  // Removes and hands out every entry for which condition(key, value)
  // holds, in order from the least recently used.
  template <typename Condition, typename Sink>
  void TakeIf(Condition condition, Sink sink) {
    for (auto it = entries_.end(); it != entries_.begin();) {
      --it;
      if (!condition(it->first, it->second)) continue;
      sink(std::move(it->second));
      index_.erase(it->first);
      it = entries_.erase(it);
    }
  }

  // Calls visit(key, value) for every entry, the order of use unchanged.
  template <typename Visit>
  void ForEach(Visit visit) {
    for (auto& [key, value] : entries_) visit(key, value);
  }

  std::size_t size() const { return entries_.size(); }
  std::size_t capacity() const { return capacity_; }
  bool full() const { return entries_.size() >= capacity_; }

 private:
  using Entries = std::list<std::pair<std::string, Value>>;
  std::size_t capacity_;
  Entries entries_;
  std::unordered_map<std::string, typename Entries::iterator> index_;
};
