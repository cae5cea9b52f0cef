// A byte buffer that is appended at the back and consumed at the front.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

class ByteQueue {
 public:
  const std::uint8_t* data() const { return bytes_.data() + head_; }
  std::size_t size() const { return bytes_.size() - head_; }
  bool empty() const { return size() == 0; }

  void Append(const void* data, std::size_t size) {
    const auto* begin = static_cast<const std::uint8_t*>(data);
    bytes_.insert(bytes_.end(), begin, begin + size);
  }
  void Append(std::string_view text) { Append(text.data(), text.size()); }

  void Consume(std::size_t count) {
    head_ += count;
    if (head_ >= bytes_.size()) {
      bytes_.clear();
      head_ = 0;
    } else if (head_ > 65536 && head_ * 2 > bytes_.size()) {
      bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(head_));
      head_ = 0;
    }
  }
  void Clear() {
    bytes_.clear();
    head_ = 0;
  }

 private:
  std::vector<std::uint8_t> bytes_;
  std::size_t head_ = 0;
};
