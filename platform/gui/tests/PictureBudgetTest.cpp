// Pictures whose headers claim more pixels than the program decodes: every decoder refuses them
// before allocating, JPEG photos are decoded scaled down to their box, and a refused picture
// draws as a frame with its reason.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/gui/Icon.h"
#include "platform/gui/JPEGImage.h"
#include "platform/gui/Metafile.h"
#include "platform/gui/PictureBudget.h"
#include "platform/gui/SmoothPaint.h"
#include "platform/gui/tests/GraphicsTesting.h"
#include "platform/rtl/tests/MemoryBound.h"

namespace orv {
namespace {

class PictureBudgetTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::EnsureGraphics(); }
};

std::string JpegBytes(int width, int height, TColor color) {
  TBitmap source(width, height, pf24bit);
  source.Canvas().Brush().SetColor(color);
  source.Canvas().FillRect(Rect(0, 0, width, height));
  TJPEGImage jpeg;
  jpeg.Assign(&source);
  TMemoryStream out;
  jpeg.SaveToStream(out);
  return std::string(reinterpret_cast<const char*>(out.Memory()), static_cast<size_t>(out.Size()));
}

// A small real JPEG whose frame header is rewritten to claim width x height.
std::string JpegClaiming(int width, int height) {
  std::string bytes = JpegBytes(16, 16, clRed);
  size_t sof = bytes.find("\xFF\xC0");
  EXPECT_NE(sof, std::string::npos);
  bytes[sof + 5] = static_cast<char>(height >> 8);
  bytes[sof + 6] = static_cast<char>(height & 0xFF);
  bytes[sof + 7] = static_cast<char>(width >> 8);
  bytes[sof + 8] = static_cast<char>(width & 0xFF);
  return bytes;
}

void Load(TGraphic& graphic, const std::string& bytes) {
  TMemoryStream in;
  in.WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
  in.SetPosition(0);
  graphic.LoadFromStream(in);
}

TEST_F(PictureBudgetTest, HugeJpegHeadersDrawScaledOrAsAFrameWithinMemory) {
  std::string large = JpegClaiming(20000, 20000);
  std::string huge = JpegClaiming(65500, 65500);
  ASSERT_LT(large.size(), 1000u);
  // The photo's box on the main window: the 20,000-pixel picture is decoded at 1/8 and drawn;
  // the 65,500-pixel one is refused, drawn as a grey frame on white, and nothing is thrown.
  TBitmap box(200, 150, pf24bit);
  testing::WithinMemory(300, [&] {
    TJPEGImage photo;
    Load(photo, large);
    EXPECT_EQ(photo.Width(), 20000);
    box.Canvas().StretchDraw(Rect(0, 0, 200, 150), photo);
    TJPEGImage refused;
    Load(refused, huge);
    EXPECT_EQ(refused.Width(), 65500);
    EXPECT_NO_THROW(box.Canvas().StretchDraw(Rect(0, 0, 200, 150), refused));
    try {
      refused.DIBNeeded();
      ADD_FAILURE() << "a picture of 4 gigapixels decoded";
    } catch (const EInvalidGraphic& e) {
      EXPECT_NE(std::string(e.what()).find("65500 x 65500"), std::string::npos) << e.what();
    }
  });
  EXPECT_EQ(box.Canvas().Pixels(0, 75), clGray);
  EXPECT_EQ(box.Canvas().Pixels(100, 149), clGray);
  EXPECT_EQ(box.Canvas().Pixels(3, 3), clWhite);
}

TEST_F(PictureBudgetTest, RealPhotosStillLoadWhole) {
  // A 12-megapixel camera photo decodes at its full size when the pixels are asked for.
  TJPEGImage photo;
  Load(photo, JpegBytes(4000, 3000, clBlue));
  EXPECT_EQ(photo.Bitmap().Width(), 4000);
  EXPECT_EQ(photo.Bitmap().Height(), 3000);
  // Drawn small first, it is decoded again whole when the whole is wanted.
  TJPEGImage again;
  Load(again, JpegBytes(1600, 1200, clBlue));
  TBitmap thumb(100, 75, pf24bit);
  thumb.Canvas().StretchDraw(Rect(0, 0, 100, 75), again);
  EXPECT_GE(GetBValue(thumb.Canvas().Pixels(50, 37)), 250);
  EXPECT_EQ(again.Bitmap().Width(), 1600);
}

// An icon file of count directory entries, all naming the same 1 x 1 bitmap image but the
// last, which names a 2 x 2 one.
std::string IconWithEntries(int count) {
  auto le16 = [](std::string& s, int v) { s += char(v & 0xFF); s += char((v >> 8) & 0xFF); };
  auto le32 = [](std::string& s, std::int64_t v) { for (int i = 0; i < 4; ++i) s += char((v >> (8 * i)) & 0xFF); };
  auto image = [&](int side) {
    std::string dib;
    le32(dib, 40); le32(dib, side); le32(dib, side * 2); le16(dib, 1); le16(dib, 32);
    le32(dib, 0); le32(dib, side * side * 4 + side * 4); le32(dib, 0); le32(dib, 0); le32(dib, 0); le32(dib, 0);
    dib += std::string(size_t(side * side * 4), '\x7F');
    dib += std::string(size_t(side * 4), '\0');
    return dib;
  };
  std::string small = image(1), big = image(2);
  std::string file;
  le16(file, 0); le16(file, 1); le16(file, count);
  std::int64_t smallAt = 6 + 16 * std::int64_t(count), bigAt = smallAt + std::int64_t(small.size());
  for (int i = 0; i < count; ++i) {
    bool last = i == count - 1;
    file += char(last ? 2 : 1); file += char(last ? 2 : 1); file += '\0'; file += '\0';
    le16(file, 1); le16(file, 32);
    le32(file, std::int64_t(last ? big.size() : small.size()));
    le32(file, last ? bigAt : smallAt);
  }
  return file + small + big;
}

TEST_F(PictureBudgetTest, IconDirectoriesAreReadNotDecodedWhole) {
  TIcon few;
  Load(few, IconWithEntries(3));
  EXPECT_EQ(few.Width(), 2);
  // 62,000 entries: only the first ones are looked at and one image is decoded.
  TIcon many;
  Load(many, IconWithEntries(62000));
  EXPECT_EQ(many.Width(), 1);
}

TEST_F(PictureBudgetTest, BitmapsAndKitImagesClaimingTooMuchAreRefused) {
  // A 54-byte bitmap header claiming 20,000 x 20,000 pixels of 24 bits.
  std::string bmp = "BM";
  auto le32 = [](std::string& s, std::int64_t v) { for (int i = 0; i < 4; ++i) s += char((v >> (8 * i)) & 0xFF); };
  le32(bmp, 54 + 12); le32(bmp, 0); le32(bmp, 54);
  le32(bmp, 40); le32(bmp, 20000); le32(bmp, 20000);
  bmp += '\x01'; bmp += '\0'; bmp += '\x18'; bmp += '\0';
  for (int i = 0; i < 6; ++i) le32(bmp, 0);
  bmp += std::string(12, '\0');
  testing::WithinMemory(300, [&] {
    TBitmap bitmap;
    try {
      Load(bitmap, bmp);
      ADD_FAILURE() << "a bitmap claiming 400 megapixels loaded";
    } catch (const EInvalidGraphic& e) {
      EXPECT_NE(std::string(e.what()).find("20000 x 20000"), std::string::npos) << e.what();
    }
    TPaintImage kit;
    EXPECT_FALSE(kit.Decode(bmp.data(), bmp.size()));
    EXPECT_FALSE(kit.Decode(JpegClaiming(20000, 20000).data(), JpegClaiming(20000, 20000).size()));
  });
  TPaintImage fits;
  std::string photo = JpegBytes(40, 30, clRed);
  EXPECT_TRUE(fits.Decode(photo.data(), photo.size()));
  EXPECT_EQ(fits.Width(), 40);
}

}  // namespace
}  // namespace orv
