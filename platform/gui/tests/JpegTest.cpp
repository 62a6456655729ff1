#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/gui/JPEGImage.h"
#include "platform/gui/JpegScans.h"
#include "platform/gui/tests/GraphicsTesting.h"
#include "platform/gui/tests/ScanBombJpeg.h"

namespace orv {
namespace {

class JpegTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::EnsureGraphics(); }
};

void Gradient(TBitmap& bmp, int w, int h) {
  bmp.SetPixelFormat(pf24bit);
  bmp.SetSize(w, h);
  for (int y = 0; y < h; ++y) {
    Byte* row = bmp.ScanLine(y);
    for (int x = 0; x < w; ++x) {
      row[3 * x] = static_cast<Byte>(255 * y / (h - 1));
      row[3 * x + 1] = 128;
      row[3 * x + 2] = static_cast<Byte>(255 * x / (w - 1));
    }
  }
}

int MaxDifference(const QImage& a, const TBitmap& b) {
  int worst = 0;
  TBitmap& bb = const_cast<TBitmap&>(b);
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      QColor p = a.pixelColor(x, y);
      TColor q = bb.Canvas().Pixels(x, y);
      worst = std::max({worst, std::abs(p.red() - GetRValue(q)), std::abs(p.green() - GetGValue(q)),
                        std::abs(p.blue() - GetBValue(q))});
    }
  return worst;
}

TEST_F(JpegTest, EncodedImageDecodesWithDjpegCloseToTheSource) {
  TBitmap source;
  Gradient(source, 64, 48);
  TJPEGImage jpeg;
  jpeg.Assign(&source);
  jpeg.SetCompressionQuality(95);
  std::string file = testing::TempPath("gradient.jpg");
  jpeg.SaveToFile(file);

  QImage decoded = testing::DecodeWith("djpeg", file);
  ASSERT_EQ(decoded.size(), QSize(64, 48));
  EXPECT_LE(MaxDifference(decoded, source), 12);

  // Lower quality gives a smaller file.
  jpeg.SetCompressionQuality(20);
  TMemoryStream small, large;
  jpeg.SaveToStream(small);
  jpeg.SetCompressionQuality(95);
  jpeg.SaveToStream(large);
  EXPECT_LT(small.Size(), large.Size());

  jpeg.SetGrayscale(true);
  std::string grey = testing::TempPath("grey.jpg");
  jpeg.SaveToFile(grey);
  EXPECT_NE(testing::Run("identify -format '%[channels]' '" + grey + "'").find("gray"), std::string::npos);
}

TEST_F(JpegTest, DecodesFilesMadeByCjpegAndKeepsTheirBytes) {
  std::string ppm = testing::TempPath("source.ppm");
  std::string file = testing::TempPath("cjpeg.jpg");
  ASSERT_EQ(std::system(("convert -size 40x30 gradient:red-blue 'ppm:" + ppm + "' && cjpeg -quality 90 -outfile '" + file + "' '" + ppm + "'").c_str()), 0);
  TJPEGImage jpeg;
  jpeg.LoadFromFile(file);
  EXPECT_EQ(jpeg.Width(), 40);
  EXPECT_EQ(jpeg.Height(), 30);
  QImage reference = testing::DecodeWith("djpeg", file);
  EXPECT_LE(MaxDifference(reference, jpeg.Bitmap()), 2) << "libjpeg and djpeg decode alike";

  TBitmap onto(40, 30, pf24bit);
  onto.Canvas().Draw(0, 0, jpeg);
  EXPECT_GT(GetRValue(onto.Canvas().Pixels(20, 1)), 200);
  EXPECT_GT(GetBValue(onto.Canvas().Pixels(20, 28)), 200);

  TMemoryStream saved;
  jpeg.SaveToStream(saved);
  std::ifstream in(file, std::ios::binary);
  std::string original((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(saved.Size(), static_cast<Int64>(original.size()));
  EXPECT_EQ(std::memcmp(saved.Memory(), original.data(), original.size()), 0);
}

TEST_F(JpegTest, DamagedDataRaisesAndTruncatedDataDecodesWhatIsThere) {
  TJPEGImage jpeg;
  TMemoryStream junk;
  junk.WriteString("\xFF\xD8 not really a jpeg");
  junk.SetPosition(0);
  EXPECT_THROW(jpeg.LoadFromStream(junk), EInvalidGraphic);
  TMemoryStream empty;
  EXPECT_THROW(jpeg.LoadFromStream(empty), EInvalidGraphic);
  EXPECT_TRUE(jpeg.Empty());

  TBitmap source;
  Gradient(source, 256, 256);
  TJPEGImage whole;
  whole.Assign(&source);
  TMemoryStream full;
  whole.SaveToStream(full);
  TMemoryStream cut;
  cut.WriteBuffer(full.Memory(), full.Size() * 3 / 4);
  cut.SetPosition(0);
  jpeg.LoadFromStream(cut);
  EXPECT_EQ(jpeg.Width(), 256);
  EXPECT_NO_THROW(jpeg.DIBNeeded());
  EXPECT_THROW(jpeg.SetWidth(10), EInvalidGraphicOperation);
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

TEST_F(JpegTest, AFileOfThousandsOfScansIsDamagedAndDrawsAsTheFrameAtOnce) {
  // 2 MB of scans over a 2048 x 2048 picture: decoded, they would take minutes.
  const std::string file = testing::TempPath("scan-bomb.jpg");
  testing::WriteScanBombJpeg(file, 2048, 2 << 20);
  TJPEGImage jpeg;
  jpeg.LoadFromFile(file);
  EXPECT_EQ(jpeg.Width(), 2048);
  EXPECT_FALSE(jpeg.DecodesCleanly());
  try {
    jpeg.DIBNeeded();
    ADD_FAILURE() << "decoded";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), TooManyJpegScansText());
  }
  TBitmap onto(200, 150, pf24bit);
  onto.Canvas().Brush().SetColor(clBlack);
  onto.Canvas().FillRect(TRect{0, 0, 200, 150});
  onto.Canvas().StretchDraw(TRect{0, 0, 200, 150}, jpeg);
  EXPECT_EQ(onto.Canvas().Pixels(0, 75), clGray) << "the frame";
  EXPECT_EQ(onto.Canvas().Pixels(3, 3), clWhite) << "inside it";

  // The same picture with its scans as cjpeg made them decodes as ever.
  const std::string sound = testing::TempPath("progressive.jpg");
  testing::WriteScanBombJpeg(sound, 64, 0);
  TJPEGImage plain;
  plain.LoadFromFile(sound);
  EXPECT_TRUE(plain.DecodesCleanly());
  EXPECT_EQ(plain.Bitmap().Width(), 64);
}

// Each of the eight orientations draws upright: the pixels ImageMagick's -auto-orient gives,
// at the size it gives.
TEST_F(JpegTest, EveryExifOrientationDecodesAsAutoOrientTurnsIt) {
  // Four blocks of clear colours, wider than high, so every turn and mirror shows.
  TBitmap source(64, 32, pf24bit);
  const TColor colours[4] = {clRed, clBlue, clLime, clYellow};
  for (int i = 0; i < 4; ++i) {
    source.Canvas().Brush().SetColor(colours[i]);
    source.Canvas().FillRect(TRect{(i % 2) * 32, (i / 2) * 16, (i % 2) * 32 + 32, (i / 2) * 16 + 16});
  }
  TJPEGImage plain;
  plain.Assign(&source);
  plain.SetCompressionQuality(95);
  TMemoryStream bytes;
  plain.SaveToStream(bytes);
  const std::string stored(reinterpret_cast<const char*>(bytes.Memory()), static_cast<size_t>(bytes.Size()));
  for (int orientation = 1; orientation <= 8; ++orientation) {
    SCOPED_TRACE(orientation);
    const std::string file = testing::TempPath("orientation-" + std::to_string(orientation) + ".jpg");
    std::ofstream(file, std::ios::binary) << testing::WithOrientation(stored, orientation);
    const std::string upright = file + "-upright.png";
    ASSERT_EQ(std::system(("convert '" + file + "' -auto-orient '" + upright + "'").c_str()), 0);
    QImage expected = testing::DecodeWith("convert", upright);
    TJPEGImage jpeg;
    jpeg.LoadFromFile(file);
    EXPECT_EQ(jpeg.Orientation(), orientation);
    ASSERT_EQ(QSize(jpeg.Width(), jpeg.Height()), expected.size());
    const TBitmap& decoded = jpeg.Bitmap();
    ASSERT_EQ(QSize(decoded.Width(), decoded.Height()), expected.size());
    // Inside the blocks, away from where the two decoders smooth the colour edges apart.
    int worst = 0;
    TBitmap& pixels = const_cast<TBitmap&>(decoded);
    for (int y = 0; y < expected.height(); ++y)
      for (int x = 0; x < expected.width(); ++x) {
        if (x % 16 < 4 || x % 16 > 11 || y % 16 < 4 || y % 16 > 11) continue;
        QColor p = expected.pixelColor(x, y);
        TColor q = pixels.Canvas().Pixels(x, y);
        worst = std::max({worst, std::abs(p.red() - GetRValue(q)), std::abs(p.green() - GetGValue(q)),
                          std::abs(p.blue() - GetBValue(q))});
      }
    EXPECT_LE(worst, 8);
  }
}

// A damaged EXIF block (an entry count past its end, a bad byte order) reads as upright.
TEST_F(JpegTest, ADamagedExifBlockLeavesThePictureAsStored) {
  TBitmap source(16, 8, pf24bit);
  TJPEGImage plain;
  plain.Assign(&source);
  TMemoryStream bytes;
  plain.SaveToStream(bytes);
  std::string stored(reinterpret_cast<const char*>(bytes.Memory()), static_cast<size_t>(bytes.Size()));
  for (auto damage : {std::pair<size_t, char>{14, 'X'}, {22, '\x7F'}}) {
    std::string data = testing::WithOrientation(stored, 6);
    data[damage.first] = damage.second;
    TMemoryStream in;
    in.WriteBuffer(data.data(), static_cast<Int64>(data.size()));
    in.SetPosition(0);
    TJPEGImage jpeg;
    jpeg.LoadFromStream(in);
    EXPECT_EQ(jpeg.Orientation(), 1);
    EXPECT_EQ(jpeg.Width(), 16);
  }
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

// A progressive picture made by cjpeg (grey, side x side, or a colour photo-like gradient) whose
// second scan is repeated until the file has scans scans.
std::string ProgressiveWithScans(const std::string& name, int side, bool colour, int scans) {
  const std::string source = testing::TempPath(name + (colour ? ".ppm" : ".pgm"));
  {
    std::ofstream out(source, std::ios::binary);
    out << (colour ? "P6\n" : "P5\n") << side << " " << side << "\n255\n";
    std::string row;
    for (int x = 0; x < side; ++x)
      for (int c = 0; c < (colour ? 3 : 1); ++c) row += static_cast<char>((x * (c + 1)) % 251);
    for (int y = 0; y < side; ++y) out << row;
  }
  const std::string file = testing::TempPath(name + ".jpg");
  EXPECT_EQ(std::system(("cjpeg -progressive -outfile '" + file + "' '" + source + "'").c_str()), 0);
  std::ifstream in(file, std::ios::binary);
  std::string jpeg((std::istreambuf_iterator<char>(in)), {});
  std::vector<size_t> starts;
  for (size_t at = jpeg.find("\xFF\xDA"); at != std::string::npos; at = jpeg.find("\xFF\xDA", at + 2)) starts.push_back(at);
  if (static_cast<int>(starts.size()) >= scans || starts.size() < 3) return jpeg;
  const std::string scan = jpeg.substr(starts[1], starts[2] - starts[1]);
  std::string more;
  for (int i = static_cast<int>(starts.size()); i < scans; ++i) more += scan;
  return jpeg.insert(starts[2], more);
}

void LoadBytes(TJPEGImage& jpeg, const std::string& bytes) {
  TMemoryStream in;
  in.WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
  in.SetPosition(0);
  jpeg.LoadFromStream(in);
}

}  // namespace

// No more scans than a picture may have, but each a pass over 360,000 blocks: decoded, the file
// would hold every drawing for seconds. Refused before decoding, it draws as the frame at once;
// a progressive photo of six million pixels decodes as ever.
TEST(JpegScanWork, ScansOverMoreBlocksThanAPhotoHasAreRefusedAndAPhotosAreNot) {
  TJPEGImage bomb;
  LoadBytes(bomb, ProgressiveWithScans("scan-work", 4800, false, 250));
  ASSERT_EQ(JpegScanCost(reinterpret_cast<const Byte*>("\xFF\xD8"), 2).Scans, 0);
  try {
    bomb.DIBNeeded();
    ADD_FAILURE() << "decoded";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "The JPEG picture is damaged: its scans pass over more than 48000000 blocks in all, far "
                           "more than a photo's do");
  }
  EXPECT_FALSE(bomb.DecodesCleanly());

  TJPEGImage photo;
  LoadBytes(photo, ProgressiveWithScans("photo", 2500, true, 0));
  EXPECT_TRUE(photo.DecodesCleanly());
  photo.DIBNeeded();
  EXPECT_EQ(photo.Bitmap().Width(), 2500);
}

}  // namespace orv
