#include "capture/FrameConversion.h"

#include <array>
#include <cmath>
#include <cstring>

#include "capture/VideoSample.h"

namespace orv {

namespace {

// BT.601 in integers scaled by 256: one table per term, each entry rounded once, so a pixel
// costs additions and a shift.
struct TYUVTables {
  std::array<int, 256> YTab, UG, UB, VR, VG;
  std::array<uint8_t, 2047> Clamp;  // index + 1023 for -1023 .. 1023

  TYUVTables() {
    for (int v = 0; v < 256; ++v) {
      YTab[v] = static_cast<int>(std::lround(298.082 * v));
      UG[v] = static_cast<int>(std::lround(-100.291 * v));
      UB[v] = static_cast<int>(std::lround(516.412 * v - 70870.016));
      VR[v] = static_cast<int>(std::lround(408.583 * v - 57067.776));
      VG[v] = static_cast<int>(std::lround(-208.12 * v + 34707.456));
    }
    for (int i = -1023; i <= 1023; ++i)
      Clamp[i + 1023] = static_cast<uint8_t>(i < 0 ? 0 : i > 255 ? 255 : i);
  }

  // Division truncates toward zero, as the scaled sums were meant to be cut.
  void Pixel(int y, int u, int v, uint8_t* out) const {
    int luma = YTab[y];
    out[0] = Clamp[(luma + UB[u]) / 256 + 1023];
    out[1] = Clamp[(luma + UG[u] + VG[v]) / 256 + 1023];
    out[2] = Clamp[(luma + VR[v]) / 256 + 1023];
  }
};

const TYUVTables& Tables() {
  static const TYUVTables tables;
  return tables;
}

}  // namespace

int RequiredFrameSize(uint32_t FourCC, int Width, int Height) {
  // Odd sizes would split a pair of pixels or a chroma sample; such frames are not read.
  bool even = Width % 2 == 0 && Height % 2 == 0;
  switch (FourCC) {
    case 0:
      return Width * Height * 3;
    case FourCCCode("I420"): case FourCCCode("IYUV"): case FourCCCode("YV12"):
      return even ? Width * Height * 3 / 2 : -1;
    case FourCCCode("YUY2"): case FourCCCode("YUYV"): case FourCCCode("YUNV"):
      return Width % 2 == 0 ? Width * Height * 2 : -1;
    default:
      return 0;
  }
}

void ConvertPackedYUV(const uint8_t* Data, int Width, int Height, TBitmap& Bitmap) {
  const TYUVTables& t = Tables();
  for (int y = 0; y < Height; ++y) {
    uint8_t* row = Bitmap.ScanLine(y);
    for (int x = 0; x < Width / 2; ++x, Data += 4, row += 6) {
      t.Pixel(Data[0], Data[1], Data[3], row);
      t.Pixel(Data[2], Data[1], Data[3], row + 3);
    }
  }
}

void ConvertPlanarYUV(const uint8_t* Data, int Width, int Height, bool VFirst, TBitmap& Bitmap) {
  const TYUVTables& t = Tables();
  const uint8_t* luma = Data;
  const uint8_t* first = Data + Width * Height;
  const uint8_t* second = first + (Width / 2) * (Height / 2);
  const uint8_t* uPlane = VFirst ? second : first;
  const uint8_t* vPlane = VFirst ? first : second;
  for (int y = 0; y < Height; ++y) {
    uint8_t* row = Bitmap.ScanLine(y);
    const uint8_t* u = uPlane + (y / 2) * (Width / 2);
    const uint8_t* v = vPlane + (y / 2) * (Width / 2);
    for (int x = 0; x < Width / 2; ++x, luma += 2, row += 6) {
      t.Pixel(luma[0], u[x], v[x], row);
      t.Pixel(luma[1], u[x], v[x], row + 3);
    }
  }
}

void CopyBGR(const uint8_t* Data, int Width, int Height, TBitmap& Bitmap) {
  for (int y = 0; y < Height; ++y) std::memcpy(Bitmap.ScanLine(y), Data + y * Width * 3, Width * 3);
}

void DrawUnknownCompression(TBitmap& Bitmap, int Size, uint32_t FourCC) {
  TCanvas& canvas = Bitmap.Canvas();
  String code = "RGB";
  if (FourCC != 0) {
    code.clear();
    for (int i = 0; i < 4; ++i) code += static_cast<char>((FourCC >> (8 * i)) & 0xff);
  }
  canvas.TextOut(0, 0, String("Unknown compression"));
  canvas.TextOut(0, canvas.TextHeight("X"),
                 "DataSize: " + std::to_string(Size) + "  FourCC: " + code);
}

}  // namespace orv
