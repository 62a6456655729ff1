#include <png.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "controls/LumGDIPPicture.h"
#include "controls/tests/KitTesting.h"
#include "platform/rtl/tests/ScratchFolder.h"
#include "platform/gui/Bitmap.h"

namespace orv::testing {

namespace {

using Bytes = std::vector<Byte>;

const std::string kSuite = std::string(ORVANE_SHARED_DIR) + "/testdata/pngsuite/";

std::string WriteFile(const std::string& name, const Bytes& bytes) {
  std::string path = (orv::testing::ProcessScratchFolder("orvane-kit-") / name).string();
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return path;
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

TSize SizeOfFile(const std::string& name, const Bytes& bytes) {
  TLumGDIPPicture picture;
  picture.LoadFromFile(WriteFile(name, bytes));
  return {picture.Width(), picture.Height()};
}

// A JPEG's start: an APP0 segment of four bytes, then a start of frame.
const Bytes kJpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x04, 0xAA, 0xBB, 0xFF, 0xFF, 0xC0,
                     0x00, 0x11, 0x08, 0x00, 0x20, 0x00, 0x40, 0x03, 0x01};

Bytes Bmp(int width, int height) {
  Bytes b = {'B', 'M'};
  b.resize(54, 0);
  b[18] = Byte(width), b[19] = Byte(width >> 8), b[22] = Byte(height), b[23] = Byte(height >> 8);
  return b;
}

// Little-endian, first directory at 8 with two entries: width 640 and height 480.
const Bytes kTiff = {'I', 'I', 42, 0, 8, 0, 0, 0, 2, 0,
                     0, 1, 3, 0, 1, 0, 0, 0, 0x80, 2, 0, 0,
                     1, 1, 3, 0, 1, 0, 0, 0, 0xE0, 1, 0, 0};

// A screen of 200 x 100 with a two-colour table and an extension before a 10 x 7 image.
const Bytes kGif = {'G', 'I', 'F', '8', '9', 'a', 200, 0, 100, 0, 0x80, 0, 0,
                    1, 2, 3, 4, 5, 6,
                    0x21, 0xF9, 4, 0, 0, 0, 0, 0,
                    0x2C, 0, 0, 0, 0, 10, 0, 7, 0, 0};

ARGB At(const TGPBitmap& b, int x, int y) {
  ARGB c = 0;
  b.GetPixel(x, y, c);
  return c;
}

}  // namespace

TEST(PictureHeaderTest, SizesComeFromTheHeaderTheExtensionNames) {
  EXPECT_EQ(SizeOfFile("a.jpg", kJpeg), (TSize{64, 32}));
  EXPECT_EQ(SizeOfFile("a.JPEG", kJpeg), (TSize{64, 32}));
  EXPECT_EQ(SizeOfFile("b.bmp", Bmp(300, 20)), (TSize{300, 20}));
  EXPECT_EQ(SizeOfFile("c.tiff", kTiff), (TSize{640, 480}));
  EXPECT_EQ(SizeOfFile("c.tif", kTiff), (TSize{0, 0})) << "only the four-letter extension is read";
  EXPECT_EQ(SizeOfFile("d.gif", kGif), (TSize{10, 7}));
  EXPECT_EQ(SizeOfFile("e.png", ReadFile(kSuite + "basn2c08.png")), (TSize{32, 32}));
  EXPECT_EQ(SizeOfFile("f.xyz", kJpeg), (TSize{0, 0}));
  EXPECT_EQ(SizeOfFile("g.jpg", Bmp(300, 20)), (TSize{0, 0})) << "not what the extension says";
}

TEST(PictureHeaderTest, DamagedHeadersGiveNoSizeAndNeverHang) {
  Bytes loop = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x00, 0xFF, 0xE0, 0x00, 0x01};
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(SizeOfFile("loop.jpg", loop), (TSize{0, 0})) << "a segment length below 2";
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  for (size_t cut : {size_t(1), size_t(3), size_t(9), size_t(15)})
    EXPECT_EQ(SizeOfFile("cut.jpg", Bytes(kJpeg.begin(), kJpeg.begin() + cut)), (TSize{0, 0})) << cut;
  EXPECT_EQ(SizeOfFile("cut.bmp", Bytes{'B', 'M', 0, 0}), (TSize{0, 0}));
  Bytes farTiff = kTiff;
  farTiff[4] = 0xF0, farTiff[7] = 0x7F;
  EXPECT_EQ(SizeOfFile("far.tiff", farTiff), (TSize{0, 0})) << "a directory beyond the end";
  Bytes negative = kTiff;
  negative[18] = 0, negative[19] = 0, negative[20] = 0, negative[21] = 0x80;
  EXPECT_EQ(SizeOfFile("negative.tiff", negative), (TSize{0, 480})) << "the lowest 32-bit value";
  negative[18] = 0xF6, negative[19] = 0xFF, negative[20] = 0xFF, negative[21] = 0xFF;
  EXPECT_EQ(SizeOfFile("negative.tiff", negative), (TSize{10, 480})) << "-10 is taken as 10";
  Bytes bigTable = kGif;
  bigTable[10] = 0x87;
  EXPECT_EQ(SizeOfFile("table.gif", bigTable), (TSize{0, 0})) << "a colour table beyond the end";
  EXPECT_EQ(SizeOfFile("empty.png", {}), (TSize{0, 0}));
}

TEST(PictureDecodeTest, DamagedAndHostileFilesFailQuietlyAndDrawNothing) {
  Bytes png = ReadFile(kSuite + "basn6a08.png");
  std::vector<std::pair<std::string, Bytes>> files = {
      {"half.png", Bytes(png.begin(), png.begin() + long(png.size() / 2))},
      {"noise.bmp", Bytes(4000, 0xA5)},
      {"huge.bmp", Bmp(60000, 60000)},
      {"frame.jpg", kJpeg},
      {"table.gif", kGif},
  };
  for (const char* corrupt : {"xc1n0g08.png", "xcrn0g04.png", "xd9n2c08.png", "xdtn0g01.png", "xs4n0g01.png"})
    files.push_back({corrupt, ReadFile(kSuite + corrupt)});
  for (const auto& [name, bytes] : files) {
    TLumGDIPPicture picture;
    picture.LoadFromFile(WriteFile(name, bytes));
    EXPECT_FALSE(picture.ReadImageSize()) << name;
    EXPECT_EQ(picture.CreateTextureBrush(), nullptr) << name;
    TGPBitmap target(8, 8);
    TGPGraphics g(&target);
    picture.GDIPDraw(g, MakeRect(0, 0, 8, 8));
    EXPECT_EQ(At(target, 4, 4), 0u) << name;
  }
}

TEST(PictureDecodeTest, PngWrittenByLibpngDrawsWithItsAlphaThroughTheProjectsCodec) {
  // libpng writes the file; the picture reads it with the project's own codec.
  Bytes rgba;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) rgba.insert(rgba.end(), {Byte(x * 8), Byte(255 - y * 8), Byte(x * y), Byte(y * 8)});
  std::string file = WriteFile("alpha.png", {});
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = 32;
  image.height = 32;
  image.format = PNG_FORMAT_RGBA;
  ASSERT_TRUE(png_image_write_to_file(&image, file.c_str(), 0, rgba.data(), 0, nullptr)) << image.message;

  TLumGDIPPicture picture;
  picture.LoadFromFile(file);
  ASSERT_TRUE(picture.ReadImageSize());
  TGPBitmap target(32, 32);
  {
    TGPGraphics g(&target);
    g.Clear(0xFFFFFFFF);
    picture.GDIPDraw(g, MakeRect(0, 0, 32, 32));
  }
  int worst = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const Byte* p = &rgba[4 * (32 * y + x)];
      auto over = [&](int c) { return (c * p[3] + 255 * (255 - p[3]) + 127) / 255; };
      ARGB a = At(target, x, y);
      worst = std::max({worst, std::abs(GetRed(a) - over(p[0])), std::abs(GetGreen(a) - over(p[1])),
                        std::abs(GetBlue(a) - over(p[2]))});
    }
  EXPECT_LE(worst, 2) << "over white, as the file's alpha says";
}

TEST(PictureDecodeTest, OtherFormatsWrittenByImageMagickDecodeThroughThePlatformReaders) {
  if (std::system("command -v convert > /dev/null 2>&1") != 0) GTEST_SKIP() << "ImageMagick is not installed";
  for (const char* ext : {"bmp", "gif", "tiff", "jpg"}) {
    std::string file = WriteFile(std::string("red.") + ext, {});
    ASSERT_EQ(std::system(("convert -size 6x4 xc:'#C81E28' '" + file + "'").c_str()), 0) << ext;
    TLumGDIPPicture picture;
    picture.LoadFromFile(file);
    ASSERT_TRUE(picture.ReadImageSize()) << ext;
    EXPECT_EQ(picture.Width(), 6) << ext;
    EXPECT_EQ(picture.Height(), 4) << ext;
    TGPBitmap target(6, 4);
    {
      TGPGraphics g(&target);
      picture.GDIPDraw(g, MakeRect(0, 0, 6, 4));
    }
    ARGB c = At(target, 3, 2);
    EXPECT_NEAR(GetRed(c), 0xC8, 6) << ext;
    EXPECT_NEAR(GetGreen(c), 0x1E, 6) << ext;
    EXPECT_NEAR(GetBlue(c), 0x28, 6) << ext;
  }
}

TEST(PictureDecodeTest, TransparentBitmapsLeaveOutTheirCornerColourAtTheirOwnSize) {
  TBitmap bitmap(4, 4);
  bitmap.Canvas().Brush().SetColor(clLime);
  bitmap.Canvas().FillRect(Rect(0, 0, 4, 4));
  bitmap.Canvas().Brush().SetColor(clRed);
  bitmap.Canvas().FillRect(Rect(1, 1, 3, 3));
  TLumGDIPPicture picture;
  picture.Assign(&bitmap);
  EXPECT_EQ(picture.Width(), 4);
  picture.SetTransparent(true);
  TGPBitmap target(10, 10);
  {
    TGPGraphics g(&target);
    picture.GDIPDraw(g, MakeRect(2, 2, 8, 8));
  }
  EXPECT_EQ(At(target, 2, 2), 0u) << "the corner's colour is left out";
  EXPECT_EQ(At(target, 3, 3), 0xFFFF0000u);
  EXPECT_EQ(At(target, 6, 6), 0u) << "drawn at its own size, not stretched";
}

TEST(PictureAssignTest, AssigningCopiesBytesAndClearingNotifiesChangeThenClear) {
  TLumGDIPPicture empty, picture;
  picture.Assign(&empty);
  EXPECT_TRUE(picture.Empty());

  TLumGDIPPicture source;
  source.LoadFromFile(kSuite + "basn2c08.png");
  picture.Assign(&source);
  EXPECT_FALSE(picture.Empty());
  EXPECT_EQ(picture.Bytes(), source.Bytes());
  EXPECT_EQ(picture.Width(), 32);

  std::vector<std::string> events;
  picture.OnChange = [&](TObject*) { events.push_back("change"); };
  picture.OnClear = [&](TObject*) { events.push_back("clear"); };
  picture.Assign(nullptr);
  EXPECT_TRUE(picture.Empty());
  EXPECT_EQ(events, (std::vector<std::string>{"change", "clear"}));
}

}  // namespace orv::testing
