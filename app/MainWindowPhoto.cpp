// The member's photo beside the record: loading it, replacing it with a chosen file, and
// opening the camera window that takes a new one.
#include <ctime>
#include <filesystem>

#include "app/MainWindow.h"
#include "app/PhotoCapture.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Picture.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/Streams.h"

namespace orv {

namespace {

bool EndsWith(const String& s, const String& end) {
  return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

String PictureFolder() { return AppPath + "/Picture"; }

// A member's names become one file name inside the picture folder: a "/" in a name would
// otherwise reach into other folders ("../" and all).
String PhotoPath(String fileName) {
  for (char& c : fileName)
    if (c == '/') c = '_';
  return PictureFolder() + "/" + fileName;
}

bool SameFile(const String& a, const String& b) {
  std::error_code error;
  return std::filesystem::equivalent(a, b, error);
}

bool InFolder(const String& fileName, const String& folder) {
  std::error_code error;
  auto parent = std::filesystem::weakly_canonical(std::filesystem::path(fileName).parent_path(), error);
  return !error && parent == std::filesystem::weakly_canonical(folder, error) && !error;
}

// "<yyMMddhhmmss>.jpg" in the picture folder, with "-1", "-2" ... after the time when a photo
// was put aside in the same second already.
String TimeStampedName() {
  std::time_t now = std::time(nullptr);
  char stamp[16];
  std::strftime(stamp, sizeof stamp, "%y%m%d%H%M%S", std::localtime(&now));
  String name = PictureFolder() + "/" + stamp + ".jpg";
  for (int n = 1; FileExists(name); ++n) name = PictureFolder() + "/" + stamp + "-" + std::to_string(n) + ".jpg";
  return name;
}

void Rename(const String& from, const String& to) {
  if (!RenameFile(from, to)) throw EInOutError("Cannot rename \"" + from + "\" to \"" + to + "\"");
}

std::string ReadWholeFile(const String& fileName) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  std::string bytes(static_cast<size_t>(stream.Size()), '\0');
  if (!bytes.empty()) stream.ReadBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
  return bytes;
}

}  // namespace

void TForm1::FindPic() {
  if (AppPath.empty()) return;
  PhotoFileName = PhotoPath(Edit4->Text());
  try {
    Image1->Picture()->LoadFromFile(PhotoFileName);
    ShownPhotoPath = PhotoFileName;
    return;
  } catch (const Exception&) {
    // No photo, or not a picture: the parish logo stands in.
  }
  ShownPhotoPath = PictureFolder() + "/Logo.jpg";
  try {
    Image1->Picture()->LoadFromFile(ShownPhotoPath);
  } catch (const Exception&) {
    // Without a logo the frame stays empty; a missing picture must not stop the display.
    Image1->Picture()->SetGraphic(nullptr);
  }
}

void TForm1::Image1Click(TObject*) {
  if (Edit3->Text().empty()) {
    ShowMessage("ไม่มีชื่อบุคคลที่จะกำหนดชื่อของรูปได้");
    return;
  }
  OpenPictureDialog1->SetInitialDir(PictureFolder());
  if (!OpenPictureDialog1->Execute()) return;
  String chosen = OpenPictureDialog1->FileName();
  if (EndsWith(chosen, "Logo.jpg") || EndsWith(chosen, "ogo1.jpg")) {
    ShowMessage("ไม่สามารถใช้รูป Logo.jpg หรือ Logo1.jpg ได้");
    return;
  }
  String target = PhotoPath(Edit4->Text());
  if (SameFile(chosen, target)) {
    FindPic();
    return;
  }
  // A file from the picture folder moves to the member's name; one from elsewhere is copied
  // in and left where it was. The copy is read before anything is moved, so a file that
  // cannot be read changes nothing.
  bool move = InFolder(chosen, PictureFolder());
  std::string bytes = move ? std::string() : ReadWholeFile(chosen);
  ForceDirectories(PictureFolder());
  // Whatever file held the member's name is kept under a name of its own, even one that did
  // not load as a picture.
  if (FileExists(target)) Rename(target, TimeStampedName());
  if (move) Rename(chosen, target);
  else SafeWriteFile(target, bytes);
  FindPic();
}

void TForm1::LumSmoothButton6Click(TObject*) {
  if (Form5) Form5->ShowModal();
}

}  // namespace orv
