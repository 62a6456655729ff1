#include "report/pdf/PdfShapedTexts.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#include "platform/fonts/TextShaping.h"
#include "report/pdf/PdfPage.h"

namespace orv {

void TkvxPDFShapedText::ShapeIn(const TFontFace& face, const WideString& text) {
  face.Shape(text, Glyphs);
  Font = -1;
  widthSize_ = 0;
  thread_local std::vector<int> starts;
  GraphemeStarts(text, starts);
  // Each code unit's grapheme cluster, by its number.
  thread_local std::vector<int> graphemeOf;
  graphemeOf.assign(text.size() + 1, 0);
  for (size_t k = 0; k < starts.size(); ++k) {
    const size_t from = static_cast<size_t>(starts[k]);
    const size_t to = k + 1 < starts.size() ? static_cast<size_t>(starts[k + 1]) : text.size();
    for (size_t u = from; u < to && u < text.size(); ++u) graphemeOf[u] = static_cast<int>(k);
  }
  auto grapheme = [&](unsigned cluster) { return graphemeOf[std::min<size_t>(cluster, text.size())]; };
  EndsCluster.assign(Glyphs.size(), true);
  for (size_t i = 0; i + 1 < Glyphs.size(); ++i)
    EndsCluster[i] = grapheme(Glyphs[i + 1].Cluster) != grapheme(Glyphs[i].Cluster);
}

double TkvxPDFShapedText::Width(int size, double charSpacing) {
  if (size != widthSize_ || charSpacing != widthSpacing_ || size <= 0) {
    width_ = TkvxPDFPage::GlyphsWidth(*this, size, charSpacing);
    widthSize_ = size;
    widthSpacing_ = charSpacing;
  }
  return width_;
}

TkvxPDFShapedTexts::~TkvxPDFShapedTexts() { Release(); }

TkvxPDFShapedTexts::TkvxPDFShapedTexts(TkvxPDFShapedTexts&& other) noexcept
    : slots_(std::move(other.slots_)), count_(std::exchange(other.count_, 0)) {
  other.slots_.clear();
}

TkvxPDFShapedTexts& TkvxPDFShapedTexts::operator=(TkvxPDFShapedTexts&& other) noexcept {
  if (this != &other) {
    Release();
    slots_ = std::move(other.slots_);
    other.slots_.clear();
    count_ = std::exchange(other.count_, 0);
  }
  return *this;
}

void TkvxPDFShapedTexts::Release() {
  for (TSlot& slot : slots_) delete slot.Entry;
  slots_.clear();
  count_ = 0;
}

size_t TkvxPDFShapedTexts::Hash(std::u16string_view text) {
  // Four code units at a time: the words of a page are looked up tens of thousands of times.
  std::uint64_t h = 0x9E3779B97F4A7C15ull ^ text.size();
  auto mix = [&h](std::uint64_t v) {
    h = (h ^ v) * 0xBF58476D1CE4E5B9ull;
    h ^= h >> 31;
  };
  size_t i = 0;
  for (; i + 4 <= text.size(); i += 4) {
    std::uint64_t v;
    std::memcpy(&v, text.data() + i, sizeof v);
    mix(v);
  }
  std::uint64_t tail = 0;
  for (; i < text.size(); ++i) tail = tail << 16 | text[i];
  mix(tail);
  return static_cast<size_t>(h * 0x94D049BB133111EBull ^ (h >> 29));
}

size_t TkvxPDFShapedTexts::Probe(std::u16string_view text, size_t hash) const {
  const size_t mask = slots_.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const TSlot& slot = slots_[i];
    if (!slot.Entry || (slot.Hash == hash && slot.Entry->Key == text)) return i;
  }
}

TkvxPDFShapedText* TkvxPDFShapedTexts::Find(std::u16string_view text, size_t hash) const {
  if (count_ == 0) return nullptr;
  TEntry* entry = slots_[Probe(text, hash)].Entry;
  return entry ? &entry->Shaped : nullptr;
}

std::unique_ptr<TkvxPDFShapedTexts::TEntry> TkvxPDFShapedTexts::Take(std::u16string_view text, size_t hash) {
  if (count_ == 0) return nullptr;
  const size_t mask = slots_.size() - 1;
  size_t gap = Probe(text, hash);
  std::unique_ptr<TEntry> taken(slots_[gap].Entry);
  if (!taken) return nullptr;
  slots_[gap] = TSlot();
  --count_;
  // The slots after the gap, up to the next empty one, move back into it when their probe
  // passes it, so that no probe stops short of its text.
  for (size_t next = (gap + 1) & mask; slots_[next].Entry; next = (next + 1) & mask) {
    const size_t home = slots_[next].Hash & mask;
    if (((next - home) & mask) >= ((next - gap) & mask)) {
      slots_[gap] = slots_[next];
      slots_[next] = TSlot();
      gap = next;
    }
  }
  return taken;
}

TkvxPDFShapedText& TkvxPDFShapedTexts::Add(std::unique_ptr<TEntry> entry, size_t hash) {
  // At most half full, so that probes stay a slot or two long.
  if (2 * (count_ + 1) > slots_.size()) Grow();
  TSlot& slot = slots_[Probe(entry->Key, hash)];
  slot.Hash = hash;
  slot.Entry = entry.release();
  ++count_;
  return slot.Entry->Shaped;
}

void TkvxPDFShapedTexts::Clear(std::vector<std::unique_ptr<TEntry>>& spare, size_t keep) {
  for (TSlot& slot : slots_) {
    if (!slot.Entry) continue;
    std::unique_ptr<TEntry> entry(slot.Entry);
    if (spare.size() < keep) spare.push_back(std::move(entry));
    slot = TSlot();
  }
  count_ = 0;
}

void TkvxPDFShapedTexts::Grow() {
  std::vector<TSlot> old = std::exchange(slots_, std::vector<TSlot>(std::max<size_t>(64, 2 * slots_.size())));
  const size_t mask = slots_.size() - 1;
  for (const TSlot& slot : old) {
    if (!slot.Entry) continue;
    size_t i = slot.Hash & mask;
    while (slots_[i].Entry) i = (i + 1) & mask;
    slots_[i] = slot;
  }
}

}  // namespace orv
