#pragma once
// A sequence addressed by position, kept in blocks of a few hundred elements: inserting or
// deleting anywhere moves the elements of one block and shifts one start per block, so that a
// sorted list of hundreds of thousands of lines takes a line in its place in microseconds.
// Walking it in order (by rising or falling position) finds each element in constant time.
#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

namespace orv {

template <class T>
class TBlockList {
 public:
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

  T& operator[](std::size_t i) {
    const auto [b, at] = Locate(i);
    return blocks_[b][at];
  }
  const T& operator[](std::size_t i) const {
    const auto [b, at] = Locate(i);
    return blocks_[b][at];
  }

  void insert(std::size_t i, T value) {
    if (blocks_.empty()) {
      blocks_.emplace_back();
      starts_.push_back(0);
    }
    std::size_t b, at;
    if (i == size_) {
      b = blocks_.size() - 1;
      at = blocks_[b].size();
    } else {
      std::tie(b, at) = Locate(i);
    }
    std::vector<T>& block = blocks_[b];
    block.insert(block.begin() + static_cast<std::ptrdiff_t>(at), std::move(value));
    for (std::size_t k = b + 1; k < starts_.size(); ++k) ++starts_[k];
    ++size_;
    if (block.size() >= 2 * kBlock) {
      std::vector<T> tail(std::make_move_iterator(block.begin() + kBlock), std::make_move_iterator(block.end()));
      block.resize(kBlock);
      blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(b + 1), std::move(tail));
      starts_.insert(starts_.begin() + static_cast<std::ptrdiff_t>(b + 1), starts_[b] + kBlock);
    }
  }

  void erase(std::size_t i) {
    const auto [b, at] = Locate(i);
    std::vector<T>& block = blocks_[b];
    block.erase(block.begin() + static_cast<std::ptrdiff_t>(at));
    for (std::size_t k = b + 1; k < starts_.size(); ++k) --starts_[k];
    --size_;
    if (block.empty()) {
      blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(b));
      starts_.erase(starts_.begin() + static_cast<std::ptrdiff_t>(b));
      last_ = 0;
    }
  }

  void clear() {
    blocks_.clear();
    starts_.clear();
    size_ = 0;
    last_ = 0;
  }

  // The first position whose element is not less than key (less(element, key)), in a
  // sequence sorted by less.
  template <class K, class Less>
  std::size_t lower_bound(const K& key, Less less) const {
    // The first block whose last element is not less than key holds the answer.
    std::size_t lo = 0, hi = blocks_.size();
    while (lo < hi) {
      const std::size_t mid = lo + (hi - lo) / 2;
      if (less(blocks_[mid].back(), key)) lo = mid + 1;
      else hi = mid;
    }
    if (lo == blocks_.size()) return size_;
    const std::vector<T>& block = blocks_[lo];
    return starts_[lo] + static_cast<std::size_t>(std::lower_bound(block.begin(), block.end(), key, less) - block.begin());
  }

 private:
  // Blocks are split when they reach twice this size.
  static constexpr std::size_t kBlock = 256;

  std::pair<std::size_t, std::size_t> Locate(std::size_t i) const {
    std::size_t b = last_;
    if (b >= blocks_.size() || i < starts_[b] || i - starts_[b] >= blocks_[b].size()) {
      b = static_cast<std::size_t>(std::upper_bound(starts_.begin(), starts_.end(), i) - starts_.begin()) - 1;
      last_ = b;
    }
    return {b, i - starts_[b]};
  }

  std::vector<std::vector<T>> blocks_;
  // The position of each block's first element.
  std::vector<std::size_t> starts_;
  std::size_t size_ = 0;
  // The block the last element asked for lay in.
  mutable std::size_t last_ = 0;
};

}  // namespace orv
