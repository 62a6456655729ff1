#pragma once
// A sequence addressed by position, kept in blocks of a hundred or so elements: inserting or
// deleting anywhere moves the elements of one block and updates a tree of the blocks' sizes in
// a few steps, so that a sorted list of hundreds of thousands of lines takes a line in its place
// in well under a microsecond. Walking it in order (by rising or falling position) finds each
// element in constant time.
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
    if (i == size_ && (blocks_.empty() || blocks_.back().size() + 1 >= 2 * kBlock)) {
      // Appending to a full last block starts another rather than splitting it.
      blocks_.emplace_back().push_back(std::move(value));
      ++size_;
      AppendEntry();
      return;
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
    ++size_;
    if (block.size() >= 2 * kBlock) {
      std::vector<T> tail(std::make_move_iterator(block.begin() + kBlock), std::make_move_iterator(block.end()));
      block.resize(kBlock);
      blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(b + 1), std::move(tail));
      Rebuild();
    } else {
      Grow(b, 1);
    }
  }

  void erase(std::size_t i) {
    const auto [b, at] = Locate(i);
    std::vector<T>& block = blocks_[b];
    block.erase(block.begin() + static_cast<std::ptrdiff_t>(at));
    --size_;
    if (block.empty()) {
      blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(b));
      Rebuild();
    } else {
      Grow(b, -1);
    }
  }

  void clear() {
    blocks_.clear();
    sizes_.clear();
    size_ = 0;
    lastKnown_ = false;
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
    return Start(lo) + static_cast<std::size_t>(std::lower_bound(block.begin(), block.end(), key, less) - block.begin());
  }

 private:
  // Blocks are split when they reach twice this size.
  static constexpr std::size_t kBlock = 64;

  // sizes_ is a Fenwick tree over the blocks' sizes (entry k, from 1, sums the k & -k blocks
  // ending with block k - 1), so that a block's start is a sum of a few entries.
  void Grow(std::size_t b, std::ptrdiff_t by) {
    for (std::size_t k = b + 1; k < sizes_.size(); k += k & (~k + 1)) sizes_[k] += static_cast<std::size_t>(by);
    lastKnown_ = false;
  }
  // The entry of a block just added at the end: the sum of the blocks it spans.
  void AppendEntry() {
    if (sizes_.empty()) sizes_.push_back(0);
    const std::size_t k = sizes_.size();
    sizes_.push_back(Start(k - 1) + blocks_[k - 1].size() - Start(k - (k & (~k + 1))));
    lastKnown_ = false;
  }
  void Rebuild() {
    sizes_.assign(blocks_.size() + 1, 0);
    for (std::size_t k = 1; k < sizes_.size(); ++k) {
      sizes_[k] += blocks_[k - 1].size();
      const std::size_t up = k + (k & (~k + 1));
      if (up < sizes_.size()) sizes_[up] += sizes_[k];
    }
    lastKnown_ = false;
  }
  // The position of block b's first element.
  std::size_t Start(std::size_t b) const {
    std::size_t start = 0;
    for (std::size_t k = b; k > 0; k &= k - 1) start += sizes_[k];
    return start;
  }

  std::pair<std::size_t, std::size_t> Locate(std::size_t i) const {
    if (!lastKnown_ || i < lastStart_ || i - lastStart_ >= blocks_[last_].size()) {
      // Descend the tree: the blocks wholly before position i.
      std::size_t b = 0, rest = i, step = 1;
      while (step * 2 < sizes_.size()) step *= 2;
      for (; step > 0; step /= 2)
        if (b + step < sizes_.size() && sizes_[b + step] <= rest) {
          b += step;
          rest -= sizes_[b];
        }
      last_ = b;
      lastStart_ = i - rest;
      lastKnown_ = true;
    }
    return {last_, i - lastStart_};
  }

  std::vector<std::vector<T>> blocks_;
  std::vector<std::size_t> sizes_;
  std::size_t size_ = 0;
  // The block the last element asked for lay in, and its start, until the next change.
  mutable std::size_t last_ = 0;
  mutable std::size_t lastStart_ = 0;
  mutable bool lastKnown_ = false;
};

}  // namespace orv
