#include <gtest/gtest.h>

#include <fstream>

#include "platform/gui/Icon.h"
#include "platform/gui/JPEGImage.h"
#include "platform/gui/Metafile.h"
#include "platform/gui/Picture.h"
#include "platform/gui/tests/GraphicsTesting.h"

namespace orv {
namespace {

class PictureTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::EnsureGraphics(); }
};

// A stand-in for a format registered from outside, as the PNG codec does.
class TTestGraphic : public TBitmap {
  ORV_CLASS(TTestGraphic, TBitmap)
};
ORV_IMPLEMENT_CLASS(TTestGraphic, c) {}

TEST_F(PictureTest, LoadFromFileChoosesTheClassByExtension) {
  std::string bmpFile = testing::TempPath("pic.BMP");
  std::string jpgFile = testing::TempPath("pic.jpeg");
  std::string icoFile = testing::TempPath("pic.ico");
  std::string emfFile = testing::TempPath("pic.emf");
  TBitmap bmp(30, 20, pf24bit);
  bmp.SaveToFile(bmpFile);
  TJPEGImage jpeg;
  jpeg.Assign(&bmp);
  jpeg.SaveToFile(jpgFile);
  ASSERT_EQ(std::system(("convert -size 16x16 xc:red '" + icoFile + "'").c_str()), 0);
  TMetafile mf;
  {
    TMetafileCanvas c(mf);
    c.Rectangle(0, 0, 40, 10);
  }
  mf.SaveToFile(emfFile);

  TPicture pic;
  int changes = 0;
  pic.OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, &pic);
    ++changes;
  };
  pic.LoadFromFile(bmpFile);
  EXPECT_NE(dynamic_cast<TBitmap*>(pic.Graphic()), nullptr);
  EXPECT_EQ(pic.Width(), 30);
  pic.LoadFromFile(jpgFile);
  EXPECT_NE(dynamic_cast<TJPEGImage*>(pic.Graphic()), nullptr);
  pic.LoadFromFile(icoFile);
  ASSERT_NE(dynamic_cast<TIcon*>(pic.Graphic()), nullptr);
  EXPECT_EQ(pic.Height(), 16);
  TBitmap onto(16, 16, pf24bit);
  onto.Canvas().Draw(0, 0, *pic.Graphic());
  EXPECT_EQ(onto.Canvas().Pixels(8, 8), clRed);
  pic.LoadFromFile(emfFile);
  EXPECT_NE(dynamic_cast<TMetafile*>(pic.Graphic()), nullptr);
  EXPECT_EQ(pic.Width(), 40);
  EXPECT_EQ(changes, 4);

  EXPECT_THROW(pic.LoadFromFile(testing::TempPath("notes.txt")), EInvalidGraphic);
  EXPECT_NE(dynamic_cast<TMetafile*>(pic.Graphic()), nullptr) << "a failed load keeps the picture";
  // A file whose contents do not fit its extension loads as what it is; one that is no picture
  // fails in the loader its extension names.
  std::string wrong = testing::TempPath("wrong.jpg");
  bmp.SaveToFile(wrong);
  pic.LoadFromFile(wrong);
  EXPECT_NE(dynamic_cast<TBitmap*>(pic.Graphic()), nullptr);
  EXPECT_EQ(pic.Width(), 30);
  std::string text = testing::TempPath("text.jpg");
  std::ofstream(text) << "a list of names, not a picture";
  EXPECT_THROW(pic.LoadFromFile(text), EInvalidGraphic);

  pic.Graphic()->SetWidth(80);
  EXPECT_EQ(changes, 6) << "a change of the graphic reaches the picture";
}

TEST_F(PictureTest, FormatsRegisteredFromOutsideAreFoundAndListed) {
  EXPECT_FALSE(TPicture::IsGraphicClassRegistered(TTestGraphic::StaticClass()));
  TPicture::RegisterFileFormat("TST", "Test pictures", TTestGraphic::StaticClass(),
                               [] { return std::make_unique<TTestGraphic>(); });
  EXPECT_TRUE(TPicture::IsGraphicClassRegistered(TTestGraphic::StaticClass()));
  auto g = TPicture::CreateGraphicForFile("/tmp/a.b/photo.tst");
  EXPECT_NE(dynamic_cast<TTestGraphic*>(g.get()), nullptr);
  String filter = TPicture::GetFileFormats();
  EXPECT_EQ(filter.rfind("All (*.bmp;*.jpg;*.jpeg;*.ico;*.emf;*.wmf;*.tst)|*.bmp;", 0), 0u) << filter;
  EXPECT_NE(filter.find("|Test pictures (*.tst)|*.tst"), String::npos);
  TPicture::UnregisterGraphicClass(TTestGraphic::StaticClass());
  EXPECT_EQ(TPicture::CreateGraphicForFile("photo.tst"), nullptr);
  EXPECT_EQ(TPicture::CreateGraphicForFile("/tmp/a.b/noextension"), nullptr);
}

TEST_F(PictureTest, AssignCopiesAndBitmapReplacesOtherGraphics) {
  TPicture a, b;
  a.Bitmap().SetSize(12, 8);
  b.Assign(&a);
  ASSERT_NE(b.Graphic(), a.Graphic());
  EXPECT_EQ(b.Width(), 12);
  a.Bitmap().SetWidth(3);
  EXPECT_EQ(b.Width(), 12) << "the copy is independent";

  TMetafile mf;
  b.SetGraphic(&mf);
  EXPECT_NE(dynamic_cast<TMetafile*>(b.Graphic()), nullptr);
  EXPECT_EQ(b.Bitmap().Width(), 0) << "asking for the bitmap replaces the metafile";
  b.Assign(nullptr);
  EXPECT_EQ(b.Graphic(), nullptr);
  EXPECT_EQ(b.Width(), 0);
}

}  // namespace
}  // namespace orv
