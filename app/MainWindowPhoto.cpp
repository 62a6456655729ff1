// The member's photo beside the record: loading it, replacing it with a chosen file, and
// opening the camera window that takes a new one.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "app/MainWindow.h"
#include "app/PhotoCapture.h"
#include "app/PictureFiles.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Picture.h"

namespace orv {

namespace {

bool EndsWith(const String& s, const String& end) {
  return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

String PictureFolder() { return AppPath + "/Picture"; }

// The longest photo file name: the system's 255 bytes less what a safe write adds for its
// temporary file beside it ("." before, "." and six letters after).
constexpr size_t kMaxPhotoNameBytes = 255 - 8;

// Vowels and tone marks written above or below their letter, and other combining marks: a
// shortened name never ends before one of them.
bool IsCombiningMark(char32_t c) {
  return c == 0x0E31 || (c >= 0x0E34 && c <= 0x0E3A) || (c >= 0x0E47 && c <= 0x0E4E) || (c >= 0x0300 && c <= 0x036F);
}

// The character of UTF-8 text starting at byte i, and where the next one starts.
char32_t CharacterAt(const String& text, size_t& i) {
  const auto lead = static_cast<unsigned char>(text[i++]);
  const int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
  char32_t c = more ? lead & (0x3F >> more) : lead;
  for (int k = 0; k < more && i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80; ++k)
    c = c << 6 | (static_cast<unsigned char>(text[i++]) & 0x3F);
  return c;
}

// A name too long for a file name keeps as much of its beginning as fits, whole letters with
// their marks, then "~" and 16 hexadecimal digits of a hash of the whole name: it stays
// readable, two names that begin alike still get different files, and the same name always
// gives the same file.
String ShortenedPhotoName(const String& fileName) {
  if (fileName.size() <= kMaxPhotoNameBytes) return fileName;
  const String extension = ".jpg";
  const String stem = EndsWith(fileName, extension) ? fileName.substr(0, fileName.size() - extension.size()) : fileName;
  std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (unsigned char c : stem) hash = (hash ^ c) * 1099511628211ull;
  char tail[24];
  std::snprintf(tail, sizeof tail, "~%016llx", static_cast<unsigned long long>(hash));
  const size_t room = kMaxPhotoNameBytes - std::strlen(tail) - extension.size();
  size_t keep = 0;
  for (size_t i = 0; i < stem.size();) {
    CharacterAt(stem, i);
    const size_t end = i;
    if (end > room) break;
    size_t next = end;
    if (next == stem.size() || !IsCombiningMark(CharacterAt(stem, next))) keep = end;
  }
  return stem.substr(0, keep) + tail + extension;
}

// A member's names become one file name inside the picture folder: a "/" in a name would
// otherwise reach into other folders ("../" and all), and a NUL would end the name for the
// system where the rest of the program reads on.
String PhotoPath(String fileName) {
  for (char& c : fileName)
    if (c == '/' || c == '\0') c = '_';
  return PictureFolder() + "/" + ShortenedPhotoName(fileName);
}

bool SameFile(const String& a, const String& b) {
  std::error_code error;
  return std::filesystem::equivalent(a, b, error);
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
  if (readOnly_) return;
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
  // The chosen file is read (and converted) before anything is moved: one that is no picture
  // the register reads changes nothing. Whatever held the member's name is kept under a name of
  // its own, even one that did not load as a picture.
  try {
    StoreChosenPicture(chosen, target);
  } catch (const EUnreadablePicture& e) {
    ShowMessage(e.Message());
    return;
  }
  FindPic();
}

void TForm1::LumSmoothButton6Click(TObject*) {
  if (Form5) Form5->ShowModal();
}

}  // namespace orv
