// The member's photo: replacing it with a chosen file keeps both files in the picture folder
// under the names the register gives them, never writes outside it and never touches the
// logo; the capture window saves the camera's frame as a JPEG that djpeg reads at 800 x 600.
#include <fstream>
#include <regex>

#include "app/PhotoCapture.h"
#include "app/Screenshot.h"
#include "app/tests/ParishFixture.h"
#include "capture/tests/CaptureTesting.h"
#include "png/PNGObject.h"

namespace orv::test {

namespace {

// A small JPEG of one colour, made by cjpeg.
void MakeJpeg(const std::filesystem::path& file, int r, int g, int b) {
  std::filesystem::create_directories(file.parent_path());
  std::string ppm = file.string() + ".ppm";
  {
    std::ofstream out(ppm, std::ios::binary);
    out << "P6\n8 8\n255\n";
    for (int i = 0; i < 64; ++i) out << char(r) << char(g) << char(b);
  }
  ASSERT_EQ(std::system(("cjpeg -outfile '" + file.string() + "' '" + ppm + "'").c_str()), 0);
  std::filesystem::remove(ppm);
}

// The file names in a folder.
std::vector<std::string> Names(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

class PhotoTest : public ParishTest {
 protected:
  void TearDown() override {
    delete form5_;
    form5_ = nullptr;
    Form1 = nullptr;
    ParishTest::TearDown();
  }
  // A parish with one member of these names, shown in the main window.
  TForm1* StartWithMember(const std::string& nm, const std::string& sur) {
    MakeEmpty();
    Cli("insert into Orvani (Nm, sur) values ('" + nm + "', '" + sur + "');");
    Form1 = Start();
    return Form1;
  }
  void Choose(const std::filesystem::path& file) { dialogs_->QueueFiles({file.string()}); }
  TForm5* OpenCaptureWindow() {
    form5_ = new TForm5(Application);
    form5_->FormActivate(form5_);
    return form5_;
  }

  TForm5* form5_ = nullptr;
};

TEST_F(PhotoTest, ReplacingKeepsTheOldPhotoUnderATimeStampAndCopiesFilesFromElsewhere) {
  TForm1* f = StartWithMember("สมชาย", "ใจดี");
  std::filesystem::path picture = dir_ / "Picture";
  std::filesystem::path photo = picture / "สมชาย ใจดี.jpg";
  EXPECT_EQ(PhotoFileName, photo.string());
  MakeJpeg(dir_ / "camera-roll" / "first.jpg", 200, 0, 0);
  MakeJpeg(dir_ / "camera-roll" / "second.jpg", 0, 200, 0);
  MakeJpeg(dir_ / "camera-roll" / "third.jpg", 0, 0, 200);
  std::string first = FileBytes(dir_ / "camera-roll" / "first.jpg");
  std::string second = FileBytes(dir_ / "camera-roll" / "second.jpg");
  std::string third = FileBytes(dir_ / "camera-roll" / "third.jpg");

  // No photo yet: the chosen file is copied in under the member's name, and stays where it was.
  Choose(dir_ / "camera-roll" / "first.jpg");
  f->Image1Click(f);
  EXPECT_EQ(dialogs_->LastFileRequest().InitialDir, picture.string());
  EXPECT_EQ(Names(picture), std::vector<std::string>{"สมชาย ใจดี.jpg"});
  EXPECT_EQ(FileBytes(photo), first);
  EXPECT_EQ(FileBytes(dir_ / "camera-roll" / "first.jpg"), first);
  EXPECT_EQ(ShownPhotoPath, photo.string());

  // Twice more within a second: each old photo keeps a name of its own.
  Choose(dir_ / "camera-roll" / "second.jpg");
  f->Image1Click(f);
  Choose(dir_ / "camera-roll" / "third.jpg");
  f->Image1Click(f);
  std::vector<std::string> names = Names(picture);
  ASSERT_EQ(names.size(), 3u);
  EXPECT_EQ(FileBytes(photo), third);
  std::vector<std::string> kept;
  for (const std::string& name : names)
    if (name != "สมชาย ใจดี.jpg") kept.push_back(FileBytes(picture / name));
  std::sort(kept.begin(), kept.end());
  std::vector<std::string> expected{first, second};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(kept, expected);
  for (const std::string& name : names) {
    if (name == "สมชาย ใจดี.jpg") continue;
    EXPECT_TRUE(std::regex_match(name, std::regex(R"(\d{12}(-\d+)?\.jpg)"))) << name;
  }

  // A file already in the picture folder moves to the member's name.
  std::filesystem::copy_file(dir_ / "camera-roll" / "first.jpg", picture / "scan.jpg");
  Choose(picture / "scan.jpg");
  f->Image1Click(f);
  EXPECT_FALSE(std::filesystem::exists(picture / "scan.jpg"));
  EXPECT_EQ(FileBytes(photo), first);
  EXPECT_EQ(Names(picture).size(), 4u);
  for (const auto& box : dialogs_->Shown()) EXPECT_EQ(box.Kind, "file") << box.Text;
}

TEST_F(PhotoTest, PhotoThatDidNotLoadIsKeptAsWellWhenReplaced) {
  std::filesystem::path picture = dir_ / "Picture";
  std::ofstream(picture / "สมปอง ดีใจ.jpg") << "half a download";
  TForm1* f = StartWithMember("สมปอง", "ดีใจ");
  EXPECT_NE(ShownPhotoPath, PhotoFileName);
  MakeJpeg(dir_ / "new" / "p.jpg", 5, 6, 7);
  Choose(dir_ / "new" / "p.jpg");
  f->Image1Click(f);
  std::vector<std::string> names = Names(picture);
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(FileBytes(picture / names[0]), "half a download");
  EXPECT_EQ(FileBytes(picture / "สมปอง ดีใจ.jpg"), FileBytes(dir_ / "new" / "p.jpg"));
  EXPECT_EQ(ShownPhotoPath, PhotoFileName);
}

TEST_F(PhotoTest, LogoAndNamelessMembersAreRefused) {
  TForm1* f = StartWithMember("สมหญิง", "ใจงาม");
  std::filesystem::path picture = dir_ / "Picture";
  MakeJpeg(picture / "Logo.jpg", 10, 10, 10);
  MakeJpeg(dir_ / "elsewhere" / "myLogo1.jpg", 20, 20, 20);
  std::string logo = FileBytes(picture / "Logo.jpg");

  for (auto file : {picture / "Logo.jpg", dir_ / "elsewhere" / "myLogo1.jpg"}) {
    Choose(file);
    f->Image1Click(f);
    EXPECT_EQ(dialogs_->LastText(), "ไม่สามารถใช้รูป Logo.jpg หรือ Logo1.jpg ได้");
  }
  EXPECT_EQ(Names(picture), std::vector<std::string>{"Logo.jpg"});
  EXPECT_EQ(FileBytes(picture / "Logo.jpg"), logo);

  // A member without a surname has no photo name: no dialog opens at all.
  Cli("update Orvani set sur = null;");
  Form1 = f = Start();
  EXPECT_EQ(f->Edit3->Text(), "");
  size_t shown = dialogs_->Shown().size();
  Choose(dir_ / "elsewhere" / "myLogo1.jpg");
  f->Image1Click(f);
  ASSERT_EQ(dialogs_->Shown().size(), shown + 1);
  EXPECT_EQ(dialogs_->LastText(), "ไม่มีชื่อบุคคลที่จะกำหนดชื่อของรูปได้");
  EXPECT_EQ(FileBytes(picture / "Logo.jpg"), logo);
}

TEST_F(PhotoTest, NamesWithSlashesStayInsideThePictureFolder) {
  TForm1* f = StartWithMember("../../หนี", "a/b");
  std::filesystem::path picture = dir_ / "Picture";
  EXPECT_EQ(std::filesystem::path(PhotoFileName).parent_path(), picture);
  MakeJpeg(dir_ / "in" / "p.jpg", 1, 2, 3);
  Choose(dir_ / "in" / "p.jpg");
  f->Image1Click(f);
  EXPECT_EQ(Names(picture), std::vector<std::string>{".._.._หนี a_b.jpg"});
  EXPECT_EQ(ShownPhotoPath, PhotoFileName);
  // Nothing appeared above the parish folder.
  EXPECT_FALSE(std::filesystem::exists(dir_.parent_path().parent_path() / "หนี a"));
  EXPECT_FALSE(std::filesystem::exists(dir_.parent_path() / "หนี a"));
}

TEST_F(PhotoTest, CaptureWindowSavesTheCamerasFrameAsTheMembersPhoto) {
  TSimulatedVideoScope video;
  auto camera = video->Add(std::make_shared<TSimulatedCamera>(
      "Desk camera", std::vector<TSimulatedFormat>{{FourCCCode("YUYV"), 640, 480}}));
  TForm1* f = StartWithMember("สมศักดิ์", "รักดี");
  TForm5* w = OpenCaptureWindow();
  EXPECT_FALSE(w->BitBtn1->Enabled());
  // Red in BT.601: luma 81, chroma 90 and 240.
  std::vector<uint8_t> red;
  for (int i = 0; i < 640 * 480 / 2; ++i) red.insert(red.end(), {81, 90, 81, 240});
  // The first frames come before the camera's exposure settles: nothing to take yet.
  for (int i = 0; i < 4; ++i) camera->PushFrame(red);
  ASSERT_TRUE(camera->WaitDrained());
  ASSERT_TRUE(PumpUntil([&] { return w->Camera()->FrameReadable(); }));
  EXPECT_FALSE(w->BitBtn1->Enabled());
  camera->PushFrame(red);
  ASSERT_TRUE(PumpUntil([&] { return w->BitBtn1->Enabled(); }));
  // The window shows the frame in its paint box.
  std::string shot = (dir_ / "window.png").string();
  SaveFormPicture(*w, shot);
  TPNGObject png;
  png.LoadFromFile(shot);
  TBitmap window;
  window.Assign(&png);
  window.SetPixelFormat(pf24bit);
  EXPECT_TRUE(Near(PixelOf(window, w->PaintBox1->Left() + 300, w->PaintBox1->Top() + 200), TRgb{255, 0, 0}, 3));
  w->BitBtn1Click(w);
  EXPECT_FALSE(camera->Streaming());
  EXPECT_EQ(camera->OpenCount(), 0);

  std::filesystem::path photo = dir_ / "Picture" / "สมศักดิ์ รักดี.jpg";
  ASSERT_TRUE(std::filesystem::exists(photo));
  EXPECT_EQ(ShownPhotoPath, photo.string());
  std::string ppm = (dir_ / "photo.ppm").string();
  ASSERT_EQ(std::system(("djpeg -ppm -outfile '" + ppm + "' '" + photo.string() + "'").c_str()), 0);
  std::string decoded = FileBytes(ppm);
  std::string header = "P6\n800 600\n255\n";
  ASSERT_EQ(decoded.substr(0, header.size()), header);
  auto pixel = [&](int x, int y) {
    const auto* p = reinterpret_cast<const unsigned char*>(decoded.data()) + header.size() + 3 * (800 * y + x);
    return TRgb{p[0], p[1], p[2]};
  };
  // The frame at the top left, the window's own colour around it.
  EXPECT_TRUE(Near(pixel(20, 20), TRgb{255, 0, 0}, 8));
  EXPECT_TRUE(Near(pixel(600, 440), TRgb{255, 0, 0}, 8));
  TRgb outside = pixel(760, 560);
  EXPECT_FALSE(Near(outside, TRgb{255, 0, 0}, 60)) << outside;
  (void)f;
}

TEST_F(PhotoTest, CaptureWindowWithoutACameraSaysSoAndTakesNothing) {
  TSimulatedVideoScope video;
  StartWithMember("สมศรี", "มีสุข");
  TForm5* w = OpenCaptureWindow();
  EXPECT_TRUE(w->Label1->Visible());
  EXPECT_EQ(w->Label1->Caption(), "ไม่พบกล้อง");
  EXPECT_FALSE(w->BitBtn1->Enabled());
  w->BitBtn1Click(w);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "Picture" / "สมศรี มีสุข.jpg"));
}

TEST_F(PhotoTest, CaptureWindowRefusesTheLogoAndStopsWhenTheCameraVanishes) {
  TSimulatedVideoScope video;
  auto camera = video->Add(std::make_shared<TSimulatedCamera>(
      "Desk camera", std::vector<TSimulatedFormat>{{FourCCCode("YUYV"), 4, 2}}));
  // No member: the photo name is the logo's.
  MakeEmpty();
  Form1 = Start();
  MakeJpeg(dir_ / "Picture" / "Logo.jpg", 9, 9, 9);
  std::string logo = FileBytes(dir_ / "Picture" / "Logo.jpg");
  TForm5* w = OpenCaptureWindow();
  for (int i = 0; i < 5; ++i) camera->PushFrame(std::vector<uint8_t>(16, 128));
  ASSERT_TRUE(PumpUntil([&] { return w->BitBtn1->Enabled(); }));
  w->BitBtn1Click(w);
  EXPECT_EQ(dialogs_->LastText(), "ไม่มีชื่อบุคคลที่จะกำหนดชื่อของรูปได้");
  EXPECT_EQ(FileBytes(dir_ / "Picture" / "Logo.jpg"), logo);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "Picture" / "temp.bmp"));

  camera->Vanish();
  ASSERT_TRUE(PumpUntil([&] { return !w->BitBtn1->Enabled(); }));
  EXPECT_EQ(dialogs_->LastText(), "กล้องหยุดทำงานหรือถูกถอดออก การถ่ายรูปจึงหยุดลง");
  EXPECT_TRUE(w->Label1->Visible());
  EXPECT_FALSE(w->Camera()->Running());
  EXPECT_EQ(camera->OpenCount(), 0);
}

TEST_F(PhotoTest, CaptureWindowTakesNoFrameThatDidNotConvert) {
  TSimulatedVideoScope video;
  auto camera = video->Add(std::make_shared<TSimulatedCamera>(
      "Desk camera", std::vector<TSimulatedFormat>{{FourCCCode("YUYV"), 4, 2}}));
  StartWithMember("สมใจ", "ใจดี");
  TForm5* w = OpenCaptureWindow();
  for (int i = 0; i < 5; ++i) camera->PushFrame(std::vector<uint8_t>(16, 128));
  ASSERT_TRUE(PumpUntil([&] { return w->BitBtn1->Enabled(); }));
  // A cut frame shows "Unknown compression": the button goes grey and a click takes nothing.
  camera->PushFrame(std::vector<uint8_t>(15, 128));
  ASSERT_TRUE(PumpUntil([&] { return !w->BitBtn1->Enabled(); }));
  w->BitBtn1Click(w);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "Picture" / "สมใจ ใจดี.jpg"));
  // The camera stops before the simulated one goes with the test.
  w->BitBtn2Click(w);
  EXPECT_FALSE(camera->Streaming());
}

TEST_F(PhotoTest, CaptureWindowSaysWhenACameraIsThereButMayNotBeUsed) {
  TSimulatedVideoScope video;
  auto camera = video->Add(std::make_shared<TSimulatedCamera>(
      "Desk camera", std::vector<TSimulatedFormat>{{FourCCCode("YUYV"), 4, 2}}));
  camera->SetOpenError(EACCES);
  StartWithMember("สมศรี", "มีสุข");
  TForm5* w = OpenCaptureWindow();
  EXPECT_TRUE(w->Label1->Visible());
  EXPECT_EQ(w->Label1->Caption(), "พบกล้อง /dev/video0 แต่เปิดไม่ได้: ผู้ใช้นี้ไม่มีสิทธิ์ใช้กล้อง (ต้องอยู่ในกลุ่ม video)");
  EXPECT_FALSE(w->BitBtn1->Enabled());
}

}  // namespace orv::test
