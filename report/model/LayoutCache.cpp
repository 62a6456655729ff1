#include "report/model/LayoutCache.h"

namespace orv {

size_t TkvxLayoutCache::HashOf(const TkvxLayoutKey& k, std::u16string_view text) {
  size_t h = std::hash<std::u16string_view>()(text);
  for (long long v : {static_cast<long long>(k.Font), static_cast<long long>(k.Size), static_cast<long long>(k.FullWidth),
                      static_cast<long long>(k.FirstWidth), static_cast<long long>(k.Spacing)})
    h = (h ^ static_cast<size_t>(v)) * 0x100000001B3ull;
  return h;
}

TkvxLayoutCache::TkvxLayoutCache() {
  current_.reserve(kGeneration);
  previous_.reserve(kGeneration);
}

int TkvxLayoutCache::FontNumber(const TFontData& font) {
  for (size_t i = 0; i < fonts_.size(); ++i)
    if (fonts_[i] == font) return static_cast<int>(i);
  if (fonts_.size() >= kFonts) {
    fonts_.clear();
    current_.clear();
    previous_.clear();
  }
  fonts_.push_back(font);
  return static_cast<int>(fonts_.size() - 1);
}

void TkvxLayoutCache::Age() {
  std::swap(current_, previous_);
  current_.clear();
}

const std::vector<TkvxLineRange>* TkvxLayoutCache::Find(const TkvxLayoutKey& key, std::u16string_view text,
                                                        size_t hash) {
  const Probe probe{key, text, hash};
  if (auto it = current_.find(probe); it != current_.end()) return &it->second;
  auto it = previous_.find(probe);
  if (it == previous_.end()) return nullptr;
  auto node = previous_.extract(it);
  if (current_.size() >= kGeneration) Age();
  return &current_.insert(std::move(node)).position->second;
}

void TkvxLayoutCache::Add(const TkvxLayoutKey& key, std::u16string_view text, size_t hash,
                          std::vector<TkvxLineRange> lines) {
  if (current_.size() >= kGeneration) Age();
  current_.emplace(Entry{key, std::u16string(text), hash}, std::move(lines));
}

}  // namespace orv
