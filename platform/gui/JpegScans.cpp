#include "platform/gui/JpegScans.h"

#include <algorithm>
#include <vector>

namespace orv {

namespace {

struct TComponent {
  int Id = 0;
  int H = 1, V = 1;
};

}  // namespace

TJpegScanCost JpegScanCost(const Byte* data, size_t size) {
  TJpegScanCost cost;
  Int64 width = 0, height = 0;
  std::vector<TComponent> components;
  int hMax = 1, vMax = 1;
  auto blocksOf = [&](int id) -> Int64 {
    for (const TComponent& c : components) {
      if (c.Id != id) continue;
      const Int64 w = (width * c.H + hMax - 1) / hMax, h = (height * c.V + vMax - 1) / vMax;
      return ((w + 7) / 8) * ((h + 7) / 8);
    }
    return 0;
  };
  size_t at = 2;  // after the start-of-image marker
  while (at + 1 < size && cost.Scans <= kMaxJpegScans && cost.Blocks <= kMaxJpegScanBlocks) {
    if (data[at] != 0xFF) {
      ++at;
      continue;
    }
    const Byte marker = data[at + 1];
    if (marker == 0xFF) {  // fill byte before a marker
      ++at;
      continue;
    }
    at += 2;
    if (marker == 0xD9) break;                                               // end of image
    if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length
    if (at + 1 >= size) break;
    const size_t length = static_cast<size_t>(data[at]) << 8 | data[at + 1];
    const size_t segment = at + 2, end = std::min(size, at + length);
    // A frame header: the picture's size and its components' sampling.
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame && segment + 6 <= end) {
      height = data[segment + 1] << 8 | data[segment + 2];
      width = data[segment + 3] << 8 | data[segment + 4];
      components.clear();
      for (size_t c = segment + 6; c + 3 <= end && components.size() < data[segment + 5]; c += 3) {
        TComponent component{data[c], std::max(1, data[c + 1] >> 4), std::max(1, data[c + 1] & 15)};
        hMax = std::max(hMax, component.H);
        vMax = std::max(vMax, component.V);
        components.push_back(component);
      }
    }
    if (marker == 0xDA) {
      ++cost.Scans;
      if (segment < end)
        for (size_t c = segment + 1, n = 0; c + 2 <= end && n < data[segment]; c += 2, ++n) cost.Blocks += blocksOf(data[c]);
    }
    at += length;
    if (marker != 0xDA) continue;
    // The coded data runs to the next marker: 0xFF is followed there by 0 (a stuffed byte) or
    // a restart marker only.
    while (at + 1 < size &&
           !(data[at] == 0xFF && data[at + 1] != 0x00 && !(data[at + 1] >= 0xD0 && data[at + 1] <= 0xD7)))
      ++at;
  }
  return cost;
}

String JpegScanCostText(const TJpegScanCost& cost) {
  if (cost.Scans > kMaxJpegScans) return TooManyJpegScansText();
  if (cost.Blocks > kMaxJpegScanBlocks)
    return "The JPEG picture is damaged: its scans pass over more than " + std::to_string(kMaxJpegScanBlocks) +
           " blocks in all, far more than a photo's do";
  return "";
}

std::string JpegWithoutBulkySegments(std::string data) {
  const auto* p = reinterpret_cast<const Byte*>(data.data());
  const size_t size = data.size();
  if (size < 4 || p[0] != 0xFF || p[1] != 0xD8) return data;
  // Where each droppable segment begins and ends, walked as the scans are counted.
  std::vector<std::pair<size_t, size_t>> dropped;
  size_t droppedBytes = 0;
  size_t at = 2;
  while (at + 3 < size) {
    if (p[at] != 0xFF || p[at + 1] == 0xFF) {
      ++at;
      continue;
    }
    const Byte marker = p[at + 1];
    if (marker == 0xD9) break;
    if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
      at += 2;
      continue;
    }
    const size_t length = static_cast<size_t>(p[at + 2]) << 8 | p[at + 3];
    const size_t end = std::min(size, at + 2 + length);
    const bool application = marker >= 0xE0 && marker <= 0xEF;
    auto says = [&](const char* name, size_t n) {
      return end - (at + 4) >= n && std::equal(name, name + n, reinterpret_cast<const char*>(p + at + 4));
    };
    const bool colours = (marker == 0xE0 && says("JFIF", 5)) || (marker == 0xEE && says("Adobe", 5));
    if ((marker == 0xFE || application) && !colours) {
      dropped.emplace_back(at, end);
      droppedBytes += end - at;
    }
    at = end;
    if (marker != 0xDA) continue;
    while (at + 1 < size && !(p[at] == 0xFF && p[at + 1] != 0x00 && !(p[at + 1] >= 0xD0 && p[at + 1] <= 0xD7))) ++at;
  }
  if (droppedBytes <= size - droppedBytes) return data;
  std::string kept;
  kept.reserve(size - droppedBytes);
  size_t from = 0;
  for (const auto& [begin, end] : dropped) {
    kept.append(data, from, begin - from);
    from = end;
  }
  kept.append(data, from, std::string::npos);
  return kept;
}

String TooManyJpegScansText() {
  return "The JPEG picture is damaged: it has more than " + std::to_string(kMaxJpegScans) +
         " scans, far more than a photo has";
}

}  // namespace orv
