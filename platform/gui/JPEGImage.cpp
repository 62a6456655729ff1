#include "platform/gui/JPEGImage.h"

#include <QImage>
#include <QTransform>
#include <csetjmp>
#include <cstdlib>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

#include "platform/gui/CanvasPaint.h"
#include "platform/gui/JpegScans.h"
#include "platform/gui/PictureBudget.h"

namespace orv {

namespace {

// libjpeg reports fatal errors through error_exit, which must not return: it jumps back to
// the setjmp of the call in progress, which then raises. Only trivially destructible locals
// live between a setjmp and the libjpeg calls it guards.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
  int code;
  // The picture's own size, when it was refused for needing more memory than it may have.
  Int64 tooLargeWidth;
  Int64 tooLargeHeight;
};

// What libjpeg may hold of its own while it decodes: a progressive or multi-scan file keeps
// every coefficient of the whole picture at full size, whatever scale the output has.
constexpr long kJpegWorkingMemory = 192L * 1024 * 1024;

void ErrorExit(j_common_ptr info) {
  auto* e = reinterpret_cast<ErrorManager*>(info->err);
  e->code = info->err->msg_code;
  (*info->err->format_message)(info, e->message);
  std::longjmp(e->jump, 1);
}

// Warnings (a truncated file, for one) keep what decodes; the rest stays grey as libjpeg fills
// it. They are counted, so a check can tell damaged data from sound.
void EmitMessage(j_common_ptr info, int level) {
  if (level < 0) ++info->err->num_warnings;
}

[[noreturn]] void Fail(const ErrorManager& e) {
  if (e.tooLargeWidth > 0) throw EInvalidGraphic(PictureTooLargeText(e.tooLargeWidth, e.tooLargeHeight));
  throw EInvalidGraphic("JPEG error #" + std::to_string(e.code) + ": " + e.message);
}

void InitErrors(ErrorManager& e, jpeg_common_struct* info) {
  info->err = jpeg_std_error(&e.pub);
  e.pub.error_exit = ErrorExit;
  e.pub.emit_message = EmitMessage;
  e.message[0] = 0;
  e.code = 0;
  e.tooLargeWidth = 0;
  e.tooLargeHeight = 0;
}

// Whether libjpeg can decode the file within its working memory: a file of several scans is
// held whole as coefficients (2 bytes a sample) before any row comes out. libjpeg is held to
// that memory as well, whatever the file's tables make of it. False with the reason set.
bool FitsWorkingMemory(jpeg_decompress_struct& info, ErrorManager& e) {
  info.mem->max_memory_to_use = kJpegWorkingMemory;
  const Int64 samples = Int64(info.image_width) * Int64(info.image_height) * info.num_components;
  if (!jpeg_has_multiple_scans(&info) || samples * Int64(sizeof(JCOEF)) <= kJpegWorkingMemory) return true;
  e.tooLargeWidth = info.image_width;
  e.tooLargeHeight = info.image_height;
  return false;
}

struct Header {
  int Width = 0;
  int Height = 0;
};

// Opens a decompressor on data, reads the header and hands it to work, behind the error jump;
// false when libjpeg failed or work says so. The decompressor is freed either way.
template <class Work>
bool Decompress(const std::vector<Byte>& data, ErrorManager& e, Work work) {
  jpeg_decompress_struct info;
  InitErrors(e, reinterpret_cast<jpeg_common_struct*>(&info));
  if (setjmp(e.jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data.data(), static_cast<unsigned long>(data.size()));
  jpeg_read_header(&info, TRUE);
  bool done = work(info);
  jpeg_destroy_decompress(&info);
  return done;
}

// Reads the header only: the size, and whether the data is a JPEG stream at all.
bool ReadHeader(const std::vector<Byte>& data, Header& header, ErrorManager& e) {
  return Decompress(data, e, [&](jpeg_decompress_struct& info) {
    header.Width = static_cast<int>(info.image_width);
    header.Height = static_cast<int>(info.image_height);
    return true;
  });
}

// The orientation tag of IFD0 in the TIFF structure of an EXIF block of n bytes; 1 when absent.
int TiffOrientation(const Byte* t, size_t n) {
  if (n < 8) return 1;
  const bool little = t[0] == 'I' && t[1] == 'I';
  if (!little && !(t[0] == 'M' && t[1] == 'M')) return 1;
  auto u16 = [&](size_t at) { return little ? t[at] | t[at + 1] << 8 : t[at] << 8 | t[at + 1]; };
  auto u32 = [&](size_t at) { return static_cast<size_t>(u16(little ? at + 2 : at)) << 16 | u16(little ? at : at + 2); };
  if (u16(2) != 42) return 1;
  const size_t ifd = u32(4);
  if (ifd > n - 2) return 1;
  const size_t count = u16(ifd);
  for (size_t i = 0; i < count; ++i) {
    const size_t entry = ifd + 2 + 12 * i;
    if (entry + 12 > n) break;
    // SHORT, one value: it sits in the first two bytes of the value field.
    if (u16(entry) == 0x0112 && u16(entry + 2) == 3) {
      const int value = u16(entry + 8);
      return value >= 1 && value <= 8 ? value : 1;
    }
  }
  return 1;
}

// The EXIF orientation of a JPEG file, read from its APP1 segment before the image data.
int ExifOrientation(const std::vector<Byte>& d) {
  if (d.size() < 4 || d[0] != 0xFF || d[1] != 0xD8) return 1;
  size_t at = 2;
  while (at + 4 <= d.size()) {
    if (d[at] != 0xFF) return 1;
    const Byte marker = d[at + 1];
    if (marker == 0xFF) {
      ++at;
      continue;
    }
    if (marker == 0xDA || marker == 0xD9) return 1;
    const size_t length = static_cast<size_t>(d[at + 2]) << 8 | d[at + 3];
    if (length < 2 || at + 2 + length > d.size()) return 1;
    if (marker == 0xE1 && length >= 16 && std::memcmp(&d[at + 4], "Exif\0\0", 6) == 0)
      return TiffOrientation(&d[at + 10], length - 8);
    at += 2 + length;
  }
  return 1;
}

// The picture as stored, turned upright by an EXIF orientation.
QImage Upright(const QImage& image, int orientation) {
  switch (orientation) {
    case 2: return image.mirrored(true, false);
    case 3: return image.mirrored(true, true);
    case 4: return image.mirrored(false, true);
    case 5: return image.mirrored(true, false).transformed(QTransform().rotate(270));
    case 6: return image.transformed(QTransform().rotate(90));
    case 7: return image.mirrored(true, false).transformed(QTransform().rotate(90));
    case 8: return image.transformed(QTransform().rotate(270));
    default: return image;
  }
}

Int64 Scaled(Int64 side, int denominator) { return (side + denominator - 1) / denominator; }

// The coarsest of libjpeg's scales 1/1, 1/2, 1/4, 1/8 that still gives at least the wanted
// size, made coarser while the pixels exceed the budget; 0 when even 1/8 exceeds it.
int ScaleDenominator(Int64 width, Int64 height, Int64 wantedWidth, Int64 wantedHeight) {
  int d = 8;
  while (d > 1 && (Scaled(width, d) < wantedWidth || Scaled(height, d) < wantedHeight)) d /= 2;
  while (d <= 8 && !PictureFitsBudget(Scaled(width, d), Scaled(height, d))) d *= 2;
  return d <= 8 ? d : 0;
}

// Decodes at 1/denominator of the stored size into image, which the caller has not yet
// allocated: it is sized here, after the size it will have is checked against the budget.
bool Decode(const std::vector<Byte>& data, bool grayscale, int denominator, QImage& image, ErrorManager& e) {
  return Decompress(data, e, [&](jpeg_decompress_struct& info) {
    bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    if (grayscale) info.out_color_space = JCS_GRAYSCALE;
    else info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    info.scale_num = 1;
    info.scale_denom = static_cast<unsigned>(denominator);
    jpeg_calc_output_dimensions(&info);
    if (!PictureFitsBudget(info.output_width, info.output_height)) {
      e.tooLargeWidth = info.image_width;
      e.tooLargeHeight = info.image_height;
      return false;
    }
    if (!FitsWorkingMemory(info, e)) return false;
    jpeg_start_decompress(&info);
    int w = static_cast<int>(info.output_width), h = static_cast<int>(info.output_height);
    image = QImage(w, h, grayscale ? QImage::Format_Indexed8 : cmyk ? QImage::Format_RGB32 : QImage::Format_RGB888);
    if (image.isNull()) {
      e.code = 0;
      std::strcpy(e.message, "Out of memory");
      return false;
    }
    if (grayscale) {
      QList<QRgb> grey;
      for (int i = 0; i < 256; ++i) grey.append(qRgb(i, i, i));
      image.setColorTable(grey);
    }
    while (info.output_scanline < info.output_height) {
      JSAMPROW row = image.scanLine(static_cast<int>(info.output_scanline));
      jpeg_read_scanlines(&info, &row, 1);
      if (cmyk) {
        // Adobe writes CMYK inverted; expand in place from the right so nothing is overwritten
        // before it is read (4 bytes in, 4 bytes out per pixel).
        auto* px = reinterpret_cast<QRgb*>(row);
        for (int x = 0; x < w; ++x) {
          const Byte* s = row + 4 * x;
          int k = s[3];
          px[x] = qRgb(s[0] * k / 255, s[1] * k / 255, s[2] * k / 255);
        }
      }
    }
    jpeg_finish_decompress(&info);
    return true;
  });
}

// Decodes the whole file at 1/8 of its size into one row, only to see that it decodes: true
// when libjpeg neither failed nor warned of damaged data.
bool DecodesCleanly(const std::vector<Byte>& data, ErrorManager& e) {
  return Decompress(data, e, [&](jpeg_decompress_struct& info) {
    info.scale_num = 1;
    info.scale_denom = 8;
    if (!FitsWorkingMemory(info, e)) return false;
    jpeg_start_decompress(&info);
    // libjpeg's own pool holds the row: a jump out of here frees it with the decompressor.
    JSAMPARRAY rows = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                                info.output_width * JDIMENSION(info.output_components), 1);
    while (info.output_scanline < info.output_height) jpeg_read_scanlines(&info, rows, 1);
    jpeg_finish_decompress(&info);
    return info.err->num_warnings == 0;
  });
}

bool Encode(const QImage& image, int quality, bool grayscale, std::vector<Byte>& out, ErrorManager& e) {
  jpeg_compress_struct info;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  InitErrors(e, reinterpret_cast<jpeg_common_struct*>(&info));
  if (setjmp(e.jump)) {
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(image.width());
  info.image_height = static_cast<JDIMENSION>(image.height());
  info.input_components = grayscale ? 1 : 3;
  info.in_color_space = grayscale ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    auto row = const_cast<JSAMPROW>(image.constScanLine(static_cast<int>(info.next_scanline)));
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  out.assign(buffer, buffer + size);
  std::free(buffer);
  return true;
}

}  // namespace

ORV_IMPLEMENT_CLASS(TJPEGImage, c) {}

TJPEGImage::TJPEGImage() = default;
TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::Assign(TPersistent* source) {
  if (auto* j = dynamic_cast<TJPEGImage*>(source)) {
    if (j == this) return;
    data_ = j->data_;
    width_ = j->width_;
    height_ = j->height_;
    quality_ = j->quality_;
    grayscale_ = j->grayscale_;
    decodedDenominator_ = j->decodedDenominator_;
    orientation_ = j->orientation_;
    bitmap_.reset();
    if (j->bitmap_) {
      bitmap_ = std::make_unique<TBitmap>();
      bitmap_->Assign(j->bitmap_.get());
    }
    Changed();
    return;
  }
  if (auto* b = dynamic_cast<TBitmap*>(source)) {
    // The pixels are kept and encoded when saved.
    bitmap_ = std::make_unique<TBitmap>();
    bitmap_->Assign(b);
    bitmap_->SetPixelFormat(pf24bit);
    decodedDenominator_ = 1;
    orientation_ = 1;
    data_.clear();
    width_ = bitmap_->Width();
    height_ = bitmap_->Height();
    Changed();
    return;
  }
  TGraphic::Assign(source);
}

void TJPEGImage::Draw(TCanvas& canvas, const TRect& r) {
  if (Empty()) return;
  // Drawing happens inside paint events and page output: a picture that cannot be decoded
  // shows why in its place instead of ending what draws it.
  try {
    Decoded(std::abs(r.Right - r.Left), std::abs(r.Bottom - r.Top));
  } catch (const Exception& e) {
    DrawRefusedPicture(canvas, r, e.Message());
    return;
  }
  bitmap_->Draw(canvas, r);
}

void TJPEGImage::LoadFromStream(TStream& stream) {
  Int64 size = stream.Size() - stream.Position();
  std::vector<Byte> data(static_cast<size_t>(std::max<Int64>(0, size)));
  if (!data.empty()) stream.ReadBuffer(data.data(), static_cast<Int64>(data.size()));
  Header header;
  ErrorManager e;
  if (data.empty()) throw EInvalidGraphic("JPEG error #42: Empty input file");
  if (!ReadHeader(data, header, e)) Fail(e);
  orientation_ = ExifOrientation(data);
  data_ = std::move(data);
  width_ = header.Width;
  height_ = header.Height;
  bitmap_.reset();
  Changed();
}

void TJPEGImage::SaveToStream(TStream& stream) {
  if (!data_.empty()) {
    stream.WriteBuffer(data_.data(), static_cast<Int64>(data_.size()));
  } else if (bitmap_) {
    std::vector<Byte> out = Encode();
    stream.WriteBuffer(out.data(), static_cast<Int64>(out.size()));
  }
}

std::vector<Byte> TJPEGImage::Encode() const {
  QImage image = TCanvasAccess::Image(*bitmap_);
  image = grayscale_ ? image.convertToFormat(QImage::Format_Grayscale8) : image.convertToFormat(QImage::Format_RGB888);
  ErrorManager e;
  std::vector<Byte> out;
  if (!orv::Encode(image, quality_, grayscale_, out, e)) Fail(e);
  return out;
}

bool TJPEGImage::Empty() const { return data_.empty() && !bitmap_; }
// Orientations 5 to 8 turn the picture a quarter.
int TJPEGImage::Width() const { return orientation_ >= 5 ? height_ : width_; }
int TJPEGImage::Height() const { return orientation_ >= 5 ? width_ : height_; }

void TJPEGImage::SetWidth(int) { throw EInvalidGraphicOperation("Cannot change the size of a JPEG image"); }
void TJPEGImage::SetHeight(int) { throw EInvalidGraphicOperation("Cannot change the size of a JPEG image"); }

std::unique_ptr<TGraphic> TJPEGImage::Clone() const {
  auto j = std::make_unique<TJPEGImage>();
  j->Assign(const_cast<TJPEGImage*>(this));
  return j;
}

void TJPEGImage::SetCompressionQuality(int quality) {
  quality = std::clamp(quality, 1, 100);
  if (quality == quality_) return;
  quality_ = quality;
}

void TJPEGImage::SetGrayscale(bool value) {
  if (value == grayscale_) return;
  grayscale_ = value;
  if (!data_.empty()) bitmap_.reset();
  Changed();
}

bool TJPEGImage::DecodesCleanly() const {
  if (data_.empty()) return !Empty();
  if (!ScanCostRefusal().empty()) return false;
  ErrorManager e;
  return orv::DecodesCleanly(data_, e);
}

void TJPEGImage::DIBNeeded() { Decoded(width_, height_); }

String TJPEGImage::ScanCostRefusal() const { return JpegScanCostText(JpegScanCost(data_.data(), data_.size())); }

void TJPEGImage::Decoded(Int64 wantedWidth, Int64 wantedHeight) {
  if (data_.empty()) return;
  if (orientation_ >= 5) std::swap(wantedWidth, wantedHeight);
  int denominator = ScaleDenominator(width_, height_, wantedWidth, wantedHeight);
  // A decode at this scale or finer is kept and serves every smaller size.
  if (bitmap_ && denominator != 0 && decodedDenominator_ <= denominator) return;
  if (denominator == 0) throw EInvalidGraphic(PictureTooLargeText(width_, height_));
  if (String refusal = ScanCostRefusal(); !refusal.empty()) throw EInvalidGraphic(refusal);
  QImage image;
  ErrorManager e;
  if (!Decode(data_, grayscale_, denominator, image, e)) Fail(e);
  image = Upright(image, orientation_);
  if (image.format() == QImage::Format_RGB888 || image.format() == QImage::Format_RGB32)
    image = image.convertToFormat(QImage::Format_BGR888);
  bitmap_ = std::make_unique<TBitmap>();
  bitmap_->Assign(BitmapFromImage(image).get());
  decodedDenominator_ = denominator;
}

const TBitmap& TJPEGImage::Bitmap() {
  DIBNeeded();
  if (!bitmap_) bitmap_ = std::make_unique<TBitmap>();
  return *bitmap_;
}

}  // namespace orv
