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

// Bytes a pixel takes in a row of the packed pixels or of the luma plane.
int RowBytesPerPixel(uint32_t FourCC) {
  switch (FourCC) {
    case 0: return 3;
    case FourCCCode("I420"): case FourCCCode("IYUV"): case FourCCCode("YV12"): return 1;
    default: return 2;
  }
}

int64_t LineLength(const TFrameLayout& Layout, int bytesPerPixel) {
  return Layout.BytesPerLine > 0 ? Layout.BytesPerLine : int64_t(Layout.Width) * bytesPerPixel;
}

void ConvertPacked(const uint8_t* Data, const TFrameLayout& Layout, TRowTarget Target) {
  const TYUVTables& t = Tables();
  int64_t line = LineLength(Layout, 2);
  for (int y = 0; y < Layout.Height; ++y) {
    const uint8_t* in = Data + y * line;
    uint8_t* row = Target.First + y * Target.Step;
    for (int x = 0; x < Layout.Width / 2; ++x, in += 4, row += 6) {
      t.Pixel(in[0], in[1], in[3], row);
      t.Pixel(in[2], in[1], in[3], row + 3);
    }
  }
}

void ConvertPlanar(const uint8_t* Data, const TFrameLayout& Layout, bool VFirst, TRowTarget Target) {
  const TYUVTables& t = Tables();
  int64_t line = LineLength(Layout, 1), chromaLine = line / 2;
  const uint8_t* first = Data + line * Layout.Height;
  const uint8_t* second = first + chromaLine * (Layout.Height / 2);
  const uint8_t* uPlane = VFirst ? second : first;
  const uint8_t* vPlane = VFirst ? first : second;
  for (int y = 0; y < Layout.Height; ++y) {
    const uint8_t* luma = Data + y * line;
    const uint8_t* u = uPlane + (y / 2) * chromaLine;
    const uint8_t* v = vPlane + (y / 2) * chromaLine;
    uint8_t* row = Target.First + y * Target.Step;
    for (int x = 0; x < Layout.Width / 2; ++x, luma += 2, row += 6) {
      t.Pixel(luma[0], u[x], v[x], row);
      t.Pixel(luma[1], u[x], v[x], row + 3);
    }
  }
}

void CopyRows(const uint8_t* Data, const TFrameLayout& Layout, TRowTarget Target) {
  int64_t line = LineLength(Layout, 3);
  for (int y = 0; y < Layout.Height; ++y)
    std::memcpy(Target.First + y * Target.Step, Data + y * line,
                static_cast<size_t>(Layout.Width) * 3);
}

}  // namespace

TRowTarget RowsOf(TBitmap& Bitmap) {
  uint8_t* first = Bitmap.ScanLine(0);
  return {first, Bitmap.Height() > 1 ? Bitmap.ScanLine(1) - first : 0};
}

int RequiredFrameSize(const TFrameLayout& Layout) {
  const int w = Layout.Width, h = Layout.Height;
  if (w <= 0 || h <= 0) return -1;
  // A row said to be shorter than its pixels cannot be read.
  if (Layout.BytesPerLine > 0 && Layout.BytesPerLine < int64_t(w) * RowBytesPerPixel(Layout.FourCC)) return -1;
  // Odd sizes would split a pair of pixels or a chroma sample; such frames are not read.
  bool even = w % 2 == 0 && h % 2 == 0;
  int64_t bytes;
  switch (Layout.FourCC) {
    case 0:
      bytes = LineLength(Layout, 3) * h;
      break;
    case FourCCCode("I420"): case FourCCCode("IYUV"): case FourCCCode("YV12"):
      if (!even) return -1;
      bytes = LineLength(Layout, 1) * h * 3 / 2;
      break;
    case FourCCCode("YUY2"): case FourCCCode("YUYV"): case FourCCCode("YUNV"):
      if (w % 2 != 0) return -1;
      bytes = LineLength(Layout, 2) * h;
      break;
    default:
      return 0;
  }
  return bytes > INT32_MAX ? -1 : static_cast<int>(bytes);
}

bool ConvertFrameRows(const uint8_t* Data, int Size, const TFrameLayout& Layout, TRowTarget Target) {
  int required = RequiredFrameSize(Layout);
  if (required <= 0 || Size != required) return false;
  switch (Layout.FourCC) {
    case 0: CopyRows(Data, Layout, Target); break;
    case FourCCCode("YV12"): ConvertPlanar(Data, Layout, true, Target); break;
    case FourCCCode("I420"): case FourCCCode("IYUV"): ConvertPlanar(Data, Layout, false, Target); break;
    default: ConvertPacked(Data, Layout, Target); break;
  }
  return true;
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
