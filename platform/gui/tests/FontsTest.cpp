#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>

#include "platform/gui/Bitmap.h"
#include "platform/gui/tests/GraphicsTesting.h"

namespace orv {
namespace {

TEST(FontsTest, WindowsFontNamesResolveToThaiFonts) {
  testing::EnsureGraphics();
  for (const char* name : {"Tahoma", "Microsoft Sans Serif", "Angsana New", "Cordia New", "Browallia New", "Arial"}) {
    QFont font(name);
    font.setPixelSize(16);
    QString family = QFontInfo(font).family();
    EXPECT_TRUE(QFontDatabase::writingSystems(family).contains(QFontDatabase::Thai))
        << name << " resolved to " << family.toStdString();
  }
  EXPECT_EQ(QFontInfo(QFont("Tahoma")).family(), "Loma");

  // Thai drawn in "Angsana New" leaves ink: the glyphs exist, no empty boxes of a Latin font.
  TBitmap bmp(120, 40, pf24bit);
  bmp.Canvas().Font().SetName("Angsana New");
  bmp.Canvas().Font().SetHeight(-24);
  bmp.Canvas().Brush().SetStyle(bsClear);
  bmp.Canvas().TextOut(2, 2, "กขค");
  int ink = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 120; ++x) ink += bmp.Canvas().Pixels(x, y) != clWhite;
  EXPECT_GT(ink, 40);
}

// A canvas reads a font's ascent and descent from fontconfig's TrueType face rather than from
// the window system: the figures every layout is made with must be the window system's own, for
// the names reports use, names that are aliases, names no font has, and every style and size.
TEST(FontsTest, CanvasAscentAndDescentAreTheWindowSystems) {
  testing::EnsureGraphics();
  TBitmap bmp(8, 8, pf24bit);
  TCanvas& canvas = bmp.Canvas();
  QImage device(8, 8, QImage::Format_RGB32);
  for (const char* name : {"Laksaman", "Tahoma", "Arial", "Angsana New", "Cordia New", "Browallia New",
                           "Microsoft Sans Serif", "Garuda", "Norasi", "Kinnari", "Loma", "Waree",
                           "Sawasdee", "Purisa", "Umpush", "Tlwg Typist", "DejaVu Sans", "Sans", "Serif",
                           "No Such Font", "Courier New", "Times New Roman"})
    for (TFontPitch pitch : {fpDefault, fpFixed})
      for (int style = 0; style < 4; ++style)
        for (int px = 1; px <= 64; ++px) {
          canvas.Font().SetName(name);
          canvas.Font().SetPitch(pitch);
          TFontStyles styles{fsUnderline};
          if (style & 1) styles.Include(fsBold);
          if (style & 2) styles.Include(fsItalic);
          canvas.Font().SetStyle(styles);
          canvas.Font().SetHeight(-px);
          QFont font(name);
          font.setBold(style & 1);
          font.setItalic(style & 2);
          font.setFixedPitch(pitch == fpFixed);
          font.setHintingPreference(QFont::PreferNoHinting);
          font.setPixelSize(px);
          QFontMetrics metrics(font, &device);
          ASSERT_EQ(canvas.FontAscent(), metrics.ascent()) << name << " style " << style << " " << px << " px";
          ASSERT_EQ(canvas.FontDescent(), metrics.descent()) << name << " style " << style << " " << px << " px";
        }
}

}  // namespace
}  // namespace orv
