#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontInfo>

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

}  // namespace
}  // namespace orv
