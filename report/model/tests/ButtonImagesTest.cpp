// The button pictures the program carries: gzip-packed bitmaps that gzip itself reads, what
// the generator draws, cut into the image lists with their ground left transparent, and drawn
// where the report objects show them.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>

#include "platform/gui/Bitmap.h"
#include "platform/gui/ImageList.h"
#include "platform/rtl/ResourceStream.h"
#include "png/KvxCompression.h"
#include "report/model/PictureView.h"
#include "report/model/Registries.h"
#include "report/model/Resources.h"
#include "report/model/tests/ModelTestSupport.h"

using namespace orv;
using namespace orv::test;

namespace {

constexpr TColor kUnder = static_cast<TColor>(0x123456);  // in none of the pictures
constexpr TColor kGround = clFuchsia;

std::string Output(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    if (pclose(p) != 0) out += "\nfailed";
  }
  return out;
}

// Python's gzip and BMP reading of a button file: the SHA-256 of the bitmap, its size, then one
// line per tile with "." where the pixel is the fuchsia ground and "#" elsewhere. gzip checks
// the trailer's CRC-32 and length; the modification-time field must hold the Adler-32.
std::vector<std::string> PythonTiles(const std::string& file) {
  static const char* const kScript = R"(
import gzip, hashlib, struct, sys, zlib
raw = open(sys.argv[1], 'rb').read()
data = gzip.decompress(raw)
assert struct.unpack('>I', raw[4:8])[0] == zlib.adler32(data), 'Adler-32'
assert data[:2] == b'BM'
off, = struct.unpack('<I', data[10:14])
w, h = struct.unpack('<ii', data[18:26])
bits, = struct.unpack('<H', data[28:30])
assert bits == 24 and h == 16 and w % 16 == 0, (w, h, bits)
row = (w * 3 + 3) // 4 * 4
print(hashlib.sha256(data).hexdigest())
print(w, h)
for tile in range(w // 16):
    mask = ''
    for y in range(16):
        at = off + (h - 1 - y) * row
        for x in range(tile * 16, tile * 16 + 16):
            b, g, r = data[at + 3 * x:at + 3 * x + 3]
            mask += '.' if (r, g, b) == (255, 0, 255) else '#'
    print(mask)
)";
  std::string dir = TempFolder("python");
  WriteFile(dir + "/tiles.py", kScript);
  std::istringstream out(Output("python3 '" + dir + "/tiles.py' '" + file + "' 2>&1"));
  std::filesystem::remove_all(dir);
  std::vector<std::string> lines;
  for (std::string line; std::getline(out, line);) lines.push_back(line);
  return lines;
}

struct TDrawnTile {
  std::vector<TColor> pixels;
  std::string mask;  // "." where the list left the ground showing through
};

TDrawnTile DrawnTile(TImageList& list, int index) {
  TBitmap b(16, 16);
  b.Canvas().Brush().SetColor(kUnder);
  b.Canvas().FillRect(Rect(0, 0, 16, 16));
  list.Draw(&b.Canvas(), 0, 0, index);
  TDrawnTile tile;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      tile.pixels.push_back(b.Canvas().Pixels(x, y));
      tile.mask += tile.pixels.back() == kUnder ? '.' : '#';
    }
  return tile;
}

const std::string kEmpty(256, '.');

void ExpectPictures(const char* resource, TImageList& list, int count, const std::set<int>& used) {
  SCOPED_TRACE(resource);
  std::vector<std::string> python = PythonTiles(std::string(ORVANE_BUTTON_IMAGES_FOLDER) + "/" + resource + ".gz");
  ASSERT_EQ(python.size(), static_cast<size_t>(count + 2)) << python.back();
  EXPECT_EQ(python[1], std::to_string(16 * count) + " 16");
  ASSERT_EQ(list.Width(), 16);
  ASSERT_EQ(list.Height(), 16);
  ASSERT_EQ(list.Count(), count);
  std::vector<std::vector<TColor>> seen;
  for (int i = 0; i < count; ++i) {
    SCOPED_TRACE(i);
    TDrawnTile tile = DrawnTile(list, i);
    // Where the bitmap has its ground the list is transparent, and nowhere else.
    EXPECT_EQ(tile.mask, python[i + 2]);
    EXPECT_EQ(std::count(tile.pixels.begin(), tile.pixels.end(), kGround), 0);
    if (!used.count(i)) {
      EXPECT_EQ(tile.mask, kEmpty);
      continue;
    }
    EXPECT_GT(std::count(tile.mask.begin(), tile.mask.end(), '#'), 20);
    for (const auto& other : seen) EXPECT_NE(other, tile.pixels);
    seen.push_back(tile.pixels);
  }
}

}  // namespace

TEST(ButtonImages, TheProgramCarriesWhatTheGeneratorDraws) {
  std::string dir = TempFolder("buttons");
  ASSERT_EQ(Output(std::string("'") + ORVANE_BUTTON_IMAGES_PROGRAM + "' '" + dir + "' 2>&1"), "");
  for (const char* resource : {"PreviewButtons", "ObjectButtons"}) {
    SCOPED_TRACE(resource);
    std::string committed = std::string(ORVANE_BUTTON_IMAGES_FOLDER) + "/" + resource + ".gz";
    // The bitmap drawn now is the one committed (the packing may differ with the zlib).
    std::vector<std::string> drawn = PythonTiles(dir + "/" + resource + ".gz");
    ASSERT_GE(drawn.size(), 3u) << drawn.back();
    EXPECT_EQ(drawn, PythonTiles(committed));
    // Once the library is in use the program's resource is the committed file, and the
    // library's reader unpacks it.
    kvxGetResources();
    TResourceStream embedded(resource);
    std::string bytes(static_cast<size_t>(embedded.Size()), '\0');
    embedded.ReadBuffer(bytes.data(), embedded.Size());
    EXPECT_EQ(bytes, ReadFile(committed));
    embedded.SetPosition(0);
    TMemoryStream bitmap;
    String name;
    kvxDecompressStream(embedded, bitmap, name);
    EXPECT_EQ(Output("gzip -dc '" + committed + "' | sha256sum").substr(0, 64), drawn[0]);
    EXPECT_EQ(bitmap.Size(), std::stoll(Output("gzip -dc '" + committed + "' | wc -c")));
  }
  std::filesystem::remove_all(dir);
  EXPECT_THROW(TResourceStream("NoSuchPictures"), EResNotFound);
  TResourceStream any("previewbuttons");
  EXPECT_THROW(any.WriteBuffer("x", 1), EStreamError);
}

TEST(ButtonImages, ListsHoldOneDistinctPictureForEachUseWithTheGroundLeftOut) {
  // The preview's buttons and menus (print 2, open 0, save 1, export 3, find 4, thumbnails 5,
  // page settings 7, first to last page 8-11, outline 12, collapse and expand 13 and 14, zoom
  // 15 and 16, edit 21, full screen 22, e-mail 23, PDF 24).
  ExpectPictures("PreviewButtons", *kvxGetResources()->GetPreviewButtonImages(), 25,
                 {0, 1, 2, 3, 4, 5, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 21, 22, 23, 24});
  // The registered objects (the dot-matrix text 2, line 5 and command 21) and the picture
  // placeholder 3.
  ExpectPictures("ObjectButtons", *kvxGetResources()->GetObjectButtonImages(), 22, {2, 3, 5, 21});
  TkvxObjectCollection* objects = kvxGetObjects();
  for (Integer i = 0; i < objects->Count(); ++i) {
    Integer image = objects->GetItem(i)->ImageIndex;
    EXPECT_NE(DrawnTile(*kvxGetResources()->GetObjectButtonImages(), image).mask, kEmpty) << image;
  }
  // Asked again, the lists are not filled twice.
  EXPECT_EQ(kvxGetResources()->GetPreviewButtonImages()->Count(), 25);
  EXPECT_EQ(kvxGetResources()->GetObjectButtonImages()->Count(), 22);
}

namespace {

class TIconComponent : public TkvxDialogComponent {
  ORV_CLASS(TIconComponent, TkvxDialogComponent)

 public:
  using TkvxDialogComponent::TkvxDialogComponent;
};

ORV_IMPLEMENT_CLASS(TIconComponent, c) {}

// The part of canvas at (x, y), 16 x 16, with the pixels of image index of the object list.
bool ShowsObjectImage(TCanvas& canvas, int x, int y, int index) {
  TDrawnTile tile = DrawnTile(*kvxGetResources()->GetObjectButtonImages(), index);
  int shown = 0;
  for (int i = 0; i < 256; ++i)
    if (tile.mask[i] == '#') {
      if (canvas.Pixels(x + i % 16, y + i / 16) != tile.pixels[i]) return false;
      ++shown;
    }
  return shown > 0;
}

}  // namespace

TEST(ButtonImages, ObjectsShowTheirPictures) {
  // A picture view without a picture shows the placeholder while it is edited, and nothing
  // when printed.
  TkvxPictureView view(nullptr);
  view.SetBounds(10, 20, 60, 40);
  view.SetColor(clWhite);
  TBitmap page(100, 100);
  view.Draw(&page.Canvas(), 1, 1, 0, 0);
  EXPECT_FALSE(ShowsObjectImage(page.Canvas(), 11, 22, 3));
  view.IsDesigning = true;
  view.Draw(&page.Canvas(), 1, 1, 0, 0);
  EXPECT_TRUE(ShowsObjectImage(page.Canvas(), 11, 22, 3));

  // A data component's icon carries the picture its class is registered with.
  TIconComponent component(nullptr);
  component.SetName("Icon1");
  component.SetBounds(30, 10, 28, 28);
  TBitmap before(120, 80);
  component.Draw(&before.Canvas(), 1, 1, 0, 0);
  EXPECT_FALSE(ShowsObjectImage(before.Canvas(), 36, 16, 21));
  EXPECT_EQ(before.Canvas().Pixels(44, 24), ColorToRGB(clBtnFace));
  kvxGetObjects()->Register(TIconComponent::StaticClass(), nullptr, "", "", 0, 21);
  TBitmap after(120, 80);
  component.Draw(&after.Canvas(), 1, 1, 0, 0);
  kvxGetObjects()->Unregister(TIconComponent::StaticClass());
  EXPECT_TRUE(ShowsObjectImage(after.Canvas(), 36, 16, 21));
}
