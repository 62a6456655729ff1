// The member's photo: replacing it with a chosen file keeps both files in the picture folder
// under the names the register gives them, never writes outside it and never touches the
// logo; the capture window saves the camera's frame as a JPEG that djpeg reads at 800 x 600.
#include <array>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "app/PhotoCapture.h"
#include "app/Screenshot.h"
#include "app/tests/ParishFixture.h"
#include "capture/tests/CaptureTesting.h"
#include "platform/gui/Picture.h"
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

// The colour djpeg gives at the middle of a JPEG file, and the file's size.
TRgb JpegMiddle(const std::filesystem::path& file, int& width, int& height) {
  std::string ppm = (file.parent_path().parent_path() / "middle.ppm").string();
  width = height = 0;
  if (std::system(("djpeg -ppm -outfile '" + ppm + "' '" + file.string() + "'").c_str()) != 0) return {};
  std::string decoded = FileBytes(ppm);
  std::istringstream in(decoded);
  std::string magic;
  int maxval = 0;
  in >> magic >> width >> height >> maxval;
  in.get();
  const auto* p = reinterpret_cast<const unsigned char*>(decoded.data()) + in.tellg() + 3 * (width * (height / 2) + width / 2);
  return TRgb{p[0], p[1], p[2]};
}

TEST_F(PhotoTest, APngNamedJpgIsStoredAsAJpegOfItsPictureAndShows) {
  TForm1* f = StartWithMember("สมพร", "ใจดี");
  std::filesystem::path picture = dir_ / "Picture";
  std::filesystem::path photo = picture / "สมพร ใจดี.jpg";
  // As a phone or a chat program saves it: PNG bytes under a ".jpg" name.
  ASSERT_TRUE(WritePng(dir_ / "chat" / "IMG_0042.jpg", 40, 30, 30, 160, 220));
  std::string chosen = FileBytes(dir_ / "chat" / "IMG_0042.jpg");
  Choose(dir_ / "chat" / "IMG_0042.jpg");
  f->Image1Click(f);
  ASSERT_TRUE(std::filesystem::exists(photo));
  EXPECT_EQ(FileBytes(photo).substr(0, 2), "\xFF\xD8");
  int w = 0, h = 0;
  TRgb middle = JpegMiddle(photo, w, h);
  EXPECT_EQ(w, 40);
  EXPECT_EQ(h, 30);
  EXPECT_TRUE(Near(middle, TRgb{30, 160, 220}, 6)) << middle;
  EXPECT_EQ(FileBytes(dir_ / "chat" / "IMG_0042.jpg"), chosen);
  EXPECT_EQ(ShownPhotoPath, photo.string());
  EXPECT_EQ(f->Image1->Picture()->Width(), 40);

  // One in the picture folder moves: only its JPEG is left, under the member's name; the photo
  // before it is kept under a time stamp.
  ASSERT_TRUE(WritePng(picture / "scan.jpg", 40, 30, 200, 30, 30));
  Choose(picture / "scan.jpg");
  f->Image1Click(f);
  EXPECT_FALSE(std::filesystem::exists(picture / "scan.jpg"));
  EXPECT_EQ(Names(picture).size(), 2u);
  EXPECT_TRUE(Near(JpegMiddle(photo, w, h), TRgb{200, 30, 30}, 6));
  EXPECT_EQ(ShownPhotoPath, photo.string());
  for (const auto& box : dialogs_->Shown()) EXPECT_EQ(box.Kind, "file") << box.Text;
}

TEST_F(PhotoTest, NamesWithANulGetAPhotoAndTheLogoStays) {
  std::filesystem::path picture = dir_ / "Picture";
  MakeJpeg(picture / "Logo.jpg", 10, 10, 10);
  std::string logo = FileBytes(picture / "Logo.jpg");
  MakeJpeg(dir_ / "in" / "p.jpg", 90, 20, 20);
  // Written by another program: a NUL inside a given name, and one at its start.
  MakeEmpty();
  Cli("insert into Orvani (Nm, sur) values ('สม' || char(0) || 'ชาย', 'ใจดี'), (char(0) || 'นิด', 'ดี');");
  TForm1* f = Form1 = Start();
  for (int id : {1, 2}) {
    SCOPED_TRACE(id);
    ASSERT_TRUE(f->ADOQuery1->Locate("ID", Variant(id), {}));
    Choose(dir_ / "in" / "p.jpg");
    f->Image1Click(f);
    EXPECT_EQ(ShownPhotoPath, PhotoFileName);
    EXPECT_EQ(std::filesystem::path(PhotoFileName).parent_path(), picture);
  }
  EXPECT_EQ(Names(picture), (std::vector<std::string>{"Logo.jpg", "_นิด ดี.jpg", "สม_ชาย ใจดี.jpg"}));
  EXPECT_EQ(FileBytes(picture / "Logo.jpg"), logo);
}

TEST_F(PhotoTest, ALongThaiNameGetsAShortenedPhotoNameFoundAgain) {
  // 110 Thai letters with their marks: 330 bytes and more as a file name.
  std::string given, family;
  for (int i = 0; i < 11; ++i) given += "สมเกียรติ";
  for (int i = 0; i < 11; ++i) family += "ศรีสุวรรณ";
  MakeEmpty();
  Cli("insert into Orvani (Nm, sur) values ('" + given + "', '" + family + "'), ('" + given + "', '" + family + "ดี');");
  TForm1* f = Form1 = Start();
  std::filesystem::path picture = dir_ / "Picture";
  MakeJpeg(dir_ / "in" / "a.jpg", 200, 20, 20);
  MakeJpeg(dir_ / "in" / "b.jpg", 20, 20, 200);
  std::vector<std::string> names;
  for (auto [id, file] : {std::pair{1, "a.jpg"}, std::pair{2, "b.jpg"}}) {
    SCOPED_TRACE(id);
    ASSERT_TRUE(f->ADOQuery1->Locate("ID", Variant(id), {}));
    Choose(dir_ / "in" / file);
    f->Image1Click(f);
    std::string name = std::filesystem::path(PhotoFileName).filename().string();
    names.push_back(name);
    EXPECT_LE(name.size(), 255u);
    // It begins with the name as far as it goes, on a whole letter, and is the photo shown.
    EXPECT_EQ(name.rfind(given.substr(0, 60), 0), 0u) << name;
    EXPECT_TRUE(name.ends_with(".jpg")) << name;
    EXPECT_EQ(ShownPhotoPath, PhotoFileName);
    EXPECT_EQ(FileBytes(PhotoFileName), FileBytes(dir_ / "in" / file));
  }
  EXPECT_NE(names[0], names[1]);
  EXPECT_EQ(Names(picture).size(), 2u);
  // Shown again later, each member finds its own photo by the same rule.
  ASSERT_TRUE(f->ADOQuery1->Locate("ID", Variant(1), {}));
  EXPECT_EQ(std::filesystem::path(ShownPhotoPath).filename().string(), names[0]);
  ASSERT_TRUE(f->ADOQuery1->Locate("ID", Variant(2), {}));
  EXPECT_EQ(std::filesystem::path(ShownPhotoPath).filename().string(), names[1]);
}

TEST_F(PhotoTest, CaptureWindowShowsAndSavesTheCamerasFrameFilledWithItsCentreKept) {
  TSimulatedVideoScope video;
  // A 720p webcam: its 16:9 frame fills the 4:3 view and photo, the sides cut off evenly.
  const int fw = 1280, fh = 720;
  auto camera = video->Add(std::make_shared<TSimulatedCamera>(
      "Desk camera", std::vector<TSimulatedFormat>{{FourCCCode("YUYV"), fw, fh}}));
  TForm1* f = StartWithMember("สมศักดิ์", "รักดี");
  TForm5* w = OpenCaptureWindow();
  EXPECT_FALSE(w->BitBtn1->Enabled());
  // In BT.601 luma and chroma: green on the 160 columns at either side (what is cut off), a
  // blue square of 80 pixels at the centre, red elsewhere.
  const std::array<uint8_t, 3> red{81, 90, 240}, green{145, 54, 34}, blue{41, 240, 110};
  std::vector<uint8_t> frame;
  for (int y = 0; y < fh; ++y)
    for (int x = 0; x < fw; x += 2) {
      const auto& c = x < 160 || x >= fw - 160 ? green
                      : x >= 600 && x < 680 && y >= 320 && y < 400 ? blue
                                                                   : red;
      frame.insert(frame.end(), {c[0], c[1], c[0], c[2]});
    }
  // The first frames come before the camera's exposure settles: nothing to take yet.
  for (int i = 0; i < 4; ++i) camera->PushFrame(frame);
  ASSERT_TRUE(camera->WaitDrained());
  ASSERT_TRUE(PumpUntil([&] { return w->Camera()->FrameReadable(); }));
  EXPECT_FALSE(w->BitBtn1->Enabled());
  camera->PushFrame(frame);
  ASSERT_TRUE(PumpUntil([&] { return w->BitBtn1->Enabled(); }));
  // The frame's centre lands on the photo's centre, scaled by 600 / 720; the green sides are
  // outside at 800 pixels across.
  const double k = 600.0 / fh, left = (800 - fw * k) / 2;
  auto expected = [&](int x, int y) {
    const double fx = (x + 0.5 - left) / k, fy = (y + 0.5) / k;
    return fx >= 600 && fx < 680 && fy >= 320 && fy < 400 ? TRgb{0, 0, 255} : TRgb{255, 0, 0};
  };
  // The centre, inside the square's corners, outside its sides, and near the photo's edges.
  const std::pair<int, int> points[] = {{400, 300}, {375, 275}, {425, 325}, {350, 300}, {450, 300},
                                        {400, 250}, {8, 300}, {791, 300}, {8, 8}, {791, 591}};
  // The window shows it so in its paint box.
  std::string shot = (dir_ / "window.png").string();
  SaveFormPicture(*w, shot);
  TPNGObject png;
  png.LoadFromFile(shot);
  TBitmap window;
  window.Assign(&png);
  window.SetPixelFormat(pf24bit);
  for (auto [x, y] : points) {
    TRgb shown = PixelOf(window, w->PaintBox1->Left() + x, w->PaintBox1->Top() + y);
    EXPECT_TRUE(Near(shown, expected(x, y), 8)) << x << ", " << y << ": " << shown;
  }
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
  for (auto [x, y] : points) EXPECT_TRUE(Near(pixel(x, y), expected(x, y), 16)) << x << ", " << y << ": " << pixel(x, y);
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

namespace orv::test {

namespace {

// Every entry of a folder with what it holds: a file's bytes, a link's target.
std::map<std::string, std::string> Entries(const std::filesystem::path& folder) {
  std::map<std::string, std::string> entries;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    entries[name] = entry.is_symlink() ? "link to " + std::filesystem::read_symlink(entry.path()).string()
                                       : FileBytes(entry.path());
  }
  return entries;
}

}  // namespace

// Files a user meets as photos that are none: a phone's HEIC photo named ".jpg", random bytes,
// a JPEG cut short in its download, one with no picture in it, a PNG cut short. Each is refused
// in Thai naming it, and nothing in the picture folder is renamed, moved or written.
TEST_F(PhotoTest, AFileThatIsNoReadablePictureIsRefusedNamingItAndNothingMoves) {
  TForm1* f = StartWithMember("สมชาย", "ใจดี");
  std::filesystem::path picture = dir_ / "Picture";
  MakeJpeg(picture / "สมชาย ใจดี.jpg", 20, 120, 20);
  MakeJpeg(picture / "Logo.jpg", 1, 1, 1);
  f->FindPic();
  ASSERT_EQ(ShownPhotoPath, (picture / "สมชาย ใจดี.jpg").string());

  std::filesystem::create_directories(dir_ / "phone");
  std::string heic("\0\0\0\x18" "ftypheic\0\0\0\0mif1heic", 24);
  heic += std::string(5000, '\x5A');
  std::ofstream(dir_ / "phone" / "IMG_0001.jpg", std::ios::binary) << heic;
  std::string noise;
  for (int i = 0; i < 4096; ++i) noise += static_cast<char>((i * 7919 + 13) % 251);
  std::ofstream(dir_ / "phone" / "noise.jpg", std::ios::binary) << noise;
  // A larger JPEG whose scan data ends early, and one that says no more than start and end.
  std::string ppm = (dir_ / "phone" / "big.ppm").string();
  {
    std::ofstream out(ppm, std::ios::binary);
    out << "P6\n256 256\n255\n";
    for (int i = 0; i < 256 * 256; ++i) out << char(i % 256) << char(i / 256) << char(i % 97);
  }
  ASSERT_EQ(std::system(("cjpeg -outfile '" + (dir_ / "phone" / "whole.jpg").string() + "' '" + ppm + "'").c_str()), 0);
  std::string whole = FileBytes(dir_ / "phone" / "whole.jpg");
  std::ofstream(picture / "cut.jpg", std::ios::binary) << whole.substr(0, whole.size() / 2);
  std::ofstream(dir_ / "phone" / "empty.jpg", std::ios::binary) << std::string("\xFF\xD8\xFF\xD9", 4);
  ASSERT_TRUE(WritePng(dir_ / "phone" / "shot.png", 40, 30, 30, 160, 220));
  std::string png = FileBytes(dir_ / "phone" / "shot.png");
  std::ofstream(dir_ / "phone" / "shot.png", std::ios::binary | std::ios::trunc) << png.substr(0, png.size() - 30);

  const std::map<std::string, std::string> before = Entries(picture);
  const std::map<std::string, std::string> phone = Entries(dir_ / "phone");
  const std::string notAPicture = "แฟ้มนี้ไม่ใช่รูปชนิดที่โปรแกรมอ่านได้ (JPEG, PNG, BMP, WMF, EMF หรือ ICO)";
  const std::string damaged = "รูปในแฟ้มนี้เสียหายหรือไม่ครบ";
  for (auto [file, reason] : {std::pair{dir_ / "phone" / "IMG_0001.jpg", notAPicture},
                              std::pair{dir_ / "phone" / "noise.jpg", notAPicture},
                              std::pair{picture / "cut.jpg", damaged},
                              std::pair{dir_ / "phone" / "empty.jpg", damaged},
                              std::pair{dir_ / "phone" / "shot.png", damaged}}) {
    SCOPED_TRACE(file.string());
    size_t shown = dialogs_->Shown().size();
    Choose(file);
    f->Image1Click(f);
    ASSERT_EQ(dialogs_->Shown().size(), shown + 2);  // the file dialog, then the refusal
    EXPECT_EQ(dialogs_->LastText(), "ใช้แฟ้ม \"" + file.string() + "\" เป็นรูปไม่ได้: " + reason);
    EXPECT_EQ(Entries(picture), before);
    EXPECT_EQ(ShownPhotoPath, (picture / "สมชาย ใจดี.jpg").string());
  }
  EXPECT_EQ(Entries(dir_ / "phone"), phone);
}

// A parish folder unpacked from an archive may hold links to anywhere, dangling or not: the
// photo chosen and the camera's picture and photo put such a link aside, as a link, or take
// its place; nothing is ever written where one leads.
TEST_F(PhotoTest, LinksInThePictureFolderAreNeverFollowed) {
  TSimulatedVideoScope video;
  auto camera = video->Add(std::make_shared<TSimulatedCamera>(
      "Desk camera", std::vector<TSimulatedFormat>{{FourCCCode("YUYV"), 4, 2}}));
  std::filesystem::path picture = dir_ / "Picture", outside = dir_ / "outside";
  std::filesystem::create_directories(picture);
  std::filesystem::create_directories(outside);
  std::filesystem::create_symlink(outside / "photo.jpg", picture / "สมชาย ใจดี.jpg");
  std::filesystem::create_symlink(outside / "frame.bmp", picture / "temp.bmp");
  std::ofstream(outside / "theirs.jpg") << "not the register's";
  std::filesystem::create_symlink(outside / "theirs.jpg", picture / "สมหญิง ใจดี.jpg");
  MakeEmpty();
  Cli("insert into Orvani (Nm, sur) values ('สมชาย', 'ใจดี'), ('สมหญิง', 'ใจดี');");
  TForm1* f = Form1 = Start();

  ASSERT_TRUE(f->ADOQuery1->Locate("ID", Variant(1), {}));
  MakeJpeg(dir_ / "in" / "p.jpg", 90, 20, 20);
  Choose(dir_ / "in" / "p.jpg");
  f->Image1Click(f);
  EXPECT_FALSE(std::filesystem::is_symlink(picture / "สมชาย ใจดี.jpg"));
  EXPECT_EQ(FileBytes(picture / "สมชาย ใจดี.jpg"), FileBytes(dir_ / "in" / "p.jpg"));
  EXPECT_EQ(ShownPhotoPath, PhotoFileName);

  ASSERT_TRUE(f->ADOQuery1->Locate("ID", Variant(2), {}));
  TForm5* w = OpenCaptureWindow();
  for (int i = 0; i < 5; ++i) camera->PushFrame(std::vector<uint8_t>(16, 128));
  ASSERT_TRUE(PumpUntil([&] { return w->BitBtn1->Enabled(); }));
  w->BitBtn1Click(w);
  EXPECT_EQ(FileBytes(picture / "temp.bmp").substr(0, 2), "BM");
  EXPECT_EQ(FileBytes(picture / "สมหญิง ใจดี.jpg").substr(0, 2), "\xFF\xD8");

  // Outside, only what was there; inside, both links kept aside under a time stamp.
  EXPECT_EQ(Entries(outside), (std::map<std::string, std::string>{{"theirs.jpg", "not the register's"}}));
  std::set<std::string> kept;
  for (const auto& [name, held] : Entries(picture))
    if (std::regex_match(name, std::regex(R"(\d{12}(-\d+)?\.jpg)"))) kept.insert(held);
  EXPECT_EQ(kept, (std::set<std::string>{"link to " + (outside / "photo.jpg").string(),
                                         "link to " + (outside / "theirs.jpg").string()}));
  EXPECT_EQ(Entries(picture).size(), 5u);
}

}  // namespace orv::test
