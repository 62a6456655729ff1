#include "app/PhotoCapture.h"

#include <cerrno>
#include <cstring>

#include "app/MainWindow.h"
#include "app/PictureFiles.h"
#include "app/WindowParts.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/JPEGImage.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/StringList.h"
#include "platform/video/VideoDevice.h"

namespace orv {

TForm5* Form5 = nullptr;

namespace {

constexpr int kPictureWidth = 800;
constexpr int kPictureHeight = 600;
constexpr int kMargin = 8;

const char* const kNoCamera = "ไม่พบกล้อง";
// A camera needs a few frames before its exposure settles; earlier ones come out dark.
constexpr int kSettleFrames = 5;

// Why a camera that is there cannot be used, in words the user can act on.
String UnopenedCameraText(const TUnopenedVideoDevice& Device) {
  String reason;
  switch (Device.Error) {
    case EACCES: case EPERM: reason = "ผู้ใช้นี้ไม่มีสิทธิ์ใช้กล้อง (ต้องอยู่ในกลุ่ม video)"; break;
    case EBUSY: reason = "กล้องถูกโปรแกรมอื่นใช้อยู่"; break;
    default: reason = std::strerror(Device.Error); break;
  }
  return "พบกล้อง " + Device.Path + " แต่เปิดไม่ได้: " + reason;
}
const char* const kCameraNotStarted = "เปิดกล้องไม่ได้";
const char* const kCameraLost = "กล้องหยุดทำงานหรือถูกถอดออก การถ่ายรูปจึงหยุดลง";

}  // namespace

TForm5::TForm5(TComponent* AOwner) : TForm(AOwner) {
  SetCaption("ถ่ายรูป");
  SetThaiWindowFont(this);
  SetPosition(poScreenCenter);
  SetClientWidth(kPictureWidth + 2 * kMargin);
  SetClientHeight(kPictureHeight + 3 * kMargin + 34);

  PaintBox1 = new TPaintBox(this);
  PaintBox1->SetParent(this);
  PaintBox1->SetBounds(kMargin, kMargin, kPictureWidth, kPictureHeight);
  PaintBox1->OnPaint = [this](TObject* sender) { PaintBox1Paint(sender); };
  Label1 = new TLabel(this);
  Label1->SetParent(this);
  Label1->SetBounds(kMargin + 16, kMargin + 16, kPictureWidth - 32, 24);
  Label1->SetVisible(false);

  int buttonTop = kMargin + kPictureHeight + kMargin;
  BitBtn1 = new TBitBtn(this);
  BitBtn1->SetParent(this);
  BitBtn1->SetCaption("ถ่ายรูป");
  BitBtn1->SetBounds(kMargin + kPictureWidth - 2 * 120 - kMargin, buttonTop, 120, 34);
  BitBtn1->OnClick = [this](TObject* sender) { BitBtn1Click(sender); };
  BitBtn2 = new TBitBtn(this);
  BitBtn2->SetParent(this);
  BitBtn2->SetCaption("ยกเลิก");
  BitBtn2->SetBounds(kMargin + kPictureWidth - 120, buttonTop, 120, 34);
  BitBtn2->OnClick = [this](TObject* sender) { BitBtn2Click(sender); };
  // Escape cancels, as in every window that takes a decision.
  BitBtn2->SetCancel(true);

  screen_ = std::make_unique<TBitmap>(kPictureWidth, kPictureHeight);
  OnActivate = [this](TObject* sender) { FormActivate(sender); };
  OnClose = [this](TObject* sender, TCloseAction& action) { FormClose(sender, action); };
}

TForm5::~TForm5() { StopCamera(); }

void TForm5::FormActivate(TObject*) {
  // The window becomes active again after every message box over it; the camera of this
  // showing goes on running.
  if (camera_) return;
  TCanvas& screen = screen_->Canvas();
  screen.Brush().SetColor(Color());
  screen.FillRect(TRect{0, 0, kPictureWidth, kPictureHeight});
  PaintBox1->Invalidate();
  // Nothing to take until the camera has sent a frame.
  BitBtn1->SetEnabled(false);

  TStringList devices;
  camera_ = std::make_unique<TVideoImage>();
  camera_->GetListOfDevices(&devices);
  // Each frame fills the paint box as the photo will: scaled with its centre kept, whatever the
  // camera's size and proportions, so the camera draws on no canvas of its own.
  camera_->OnNewFrame = [this](TObject*, int, int, const uint8_t*) {
    camera_->DrawFilled(screen_->Canvas(), TRect{0, 0, kPictureWidth, kPictureHeight});
    // Only a picture can be taken: not a frame that said "Unknown compression".
    BitBtn1->SetEnabled(camera_->FrameReadable() && camera_->FrameCount() >= kSettleFrames);
    PaintBox1->Invalidate();
  };
  camera_->OnDeviceLost = [this](TObject* sender) { CameraLost(sender); };
  if (devices.Count() == 0) {
    std::vector<TUnopenedVideoDevice> unopened = ListUnopenedVideoDevices();
    ShowStatus(unopened.empty() ? String(kNoCamera) : UnopenedCameraText(unopened.front()));
    return;
  }
  if (camera_->VideoStart(devices.Strings(0)) != 0) {
    ShowStatus(kCameraNotStarted);
    return;
  }
  Label1->SetVisible(false);
}

void TForm5::ShowStatus(const String& Text) {
  Label1->SetCaption(Text);
  Label1->SetVisible(true);
  BitBtn1->SetEnabled(false);
}

void TForm5::CameraLost(TObject*) {
  ShowStatus(kCameraLost);
  ShowMessage(kCameraLost);
}

void TForm5::PaintBox1Paint(TObject*) { PaintBox1->Canvas()->Draw(0, 0, *screen_); }

void TForm5::BitBtn1Click(TObject*) {
  // A member without a given name or surname has the parish logo as photo name; the logo is
  // never replaced by a member's photo.
  String name = ExtractFileName(PhotoFileName);
  if (name.empty() || name == "Logo.jpg" || name == "Logo1.jpg") {
    ShowMessage("ไม่มีชื่อบุคคลที่จะกำหนดชื่อของรูปได้");
    return;
  }
  if (!camera_ || !camera_->CurrentFrame() || !camera_->FrameReadable()) return;
  // The photo is the camera's last frame as the paint box shows it, taken from the frame
  // itself rather than from the screen, which a window over it would spoil.
  TBitmap picture(kPictureWidth, kPictureHeight);
  picture.Canvas().Brush().SetColor(Color());
  picture.Canvas().FillRect(TRect{0, 0, kPictureWidth, kPictureHeight});
  camera_->DrawFilled(picture.Canvas(), TRect{0, 0, kPictureWidth, kPictureHeight});
  String folder = AppPath + "/Picture";
  ForceDirectories(folder);
  // A folder unpacked from an archive may hold links: "temp.bmp" takes the place of one and
  // the photo puts one aside, neither writing where a link leads.
  String temp = folder + "/temp.bmp";
  SafeWriteFile(
      temp, [&](const String& tempName) {
        TFileStream file(tempName, fmCreate);
        picture.SaveToStream(file);
      },
      -1, TLinkWrite::Replace);
  TBitmap saved;
  saved.LoadFromFile(temp);
  TJPEGImage jpeg;
  jpeg.Assign(&saved);
  TMemoryStream photo;
  jpeg.SaveToStream(photo);
  StorePicture(PhotoFileName,
               std::string(reinterpret_cast<const char*>(photo.Memory()), static_cast<size_t>(photo.Size())),
               TReplacedPicture::Overwritten);
  Close();
  if (Form1) Form1->FindPic();
}

void TForm5::BitBtn2Click(TObject*) {
  StopCamera();
  Close();
}

void TForm5::FormClose(TObject*, TCloseAction&) { StopCamera(); }

void TForm5::StopCamera() {
  if (!camera_) return;
  camera_->VideoStop();
  camera_.reset();
}

ORV_IMPLEMENT_CLASS(TForm5, c) {}

}  // namespace orv
