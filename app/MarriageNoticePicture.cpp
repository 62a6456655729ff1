// The wedding picture of a notification: a JPEG file in the parish's Picture folder named after
// the marriage register number.
#include <filesystem>
#include <system_error>

#include "app/MainWindow.h"
#include "app/MarriageNotices.h"
#include "app/PictureFiles.h"
#include "platform/gui/Picture.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/TextUtils.h"

namespace orv {

namespace {

namespace fs = std::filesystem;

String PictureFolder() { return AppPath + "/Picture/"; }

bool IsLogoName(const String& fileName) {
  return fileName.ends_with("Logo.jpg") || fileName.ends_with("ogo1.jpg");
}

bool SameEntry(const fs::path& a, const fs::path& b) {
  std::error_code error;
  return fs::equivalent(a, b, error);
}

}  // namespace

String TForm2::PictureFileFor(const String& marriageId) {
  // Register numbers are written "12/2024": a separator would name a folder, and ".." with
  // one would lead out of Picture, so separators become dashes.
  String name = marriageId;
  for (char& c : name)
    if (c == '/' || c == '\\') c = '-';
  return PictureFolder() + name + ".jpg";
}

void TForm2::FindPic() {
  String marriageId = Trim(LabeledEdit14->Text());
  String logo;
  if (marriageId.empty()) {
    // No number, no picture of its own: nothing of the previous notification may stay on
    // screen or go to the printer.
    NotifyPicturePath.clear();
    logo = PictureFolder() + "Logo1.jpg";
  } else {
    NotifyPicturePath = PictureFileFor(marriageId);
    try {
      Image1->Picture()->LoadFromFile(NotifyPicturePath);
      NotifyPictureStatus = "OK";
      NotifyPhotoFileName = NotifyPicturePath;
      return;
    } catch (const Exception&) {
      // No picture yet, or not a picture: the logo stands in.
      logo = PictureFolder() + "Logo1.jpg";
    }
  }
  NotifyPictureStatus = "NoOK";
  NotifyPhotoFileName = PictureFolder() + "Logo.jpg";
  try {
    Image1->Picture()->LoadFromFile(logo);
  } catch (const Exception&) {
    Image1->Picture()->SetGraphic(nullptr);
  }
}

void TForm2::Image1Click(TObject*) {
  if (Form1->ReadOnly()) return;
  String marriageId = Trim(LabeledEdit14->Text());
  if (marriageId.empty()) {
    ShowMessage("ไม่มีชื่อบุคคลที่จะกำหนดชื่อของรูปได้");
    return;
  }
  OpenPictureDialog1->SetInitialDir(AppPath + "/Picture");
  if (!OpenPictureDialog1->Execute()) return;
  String chosen = OpenPictureDialog1->FileName();
  if (IsLogoName(ExtractFileName(chosen))) {
    ShowMessage("ไม่สามารถใช้รูป Logo.jpg หรือ Logo1.jpg ได้");
    return;
  }
  String target = PictureFileFor(marriageId);
  if (SameEntry(chosen, target)) {
    FindPic();
    return;
  }
  // Read and stored as the members' photos are: a file that is no picture changes nothing,
  // what the number had is kept under a name of its own, and one taken from the Picture folder
  // moves to the number's name.
  try {
    StoreChosenPicture(chosen, target);
  } catch (const EUnreadablePicture& e) {
    ShowMessage(e.Message());
    return;
  }
  FindPic();
}

}  // namespace orv
