#include "app/PictureFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <memory>

#include "platform/gui/Bitmap.h"
#include "platform/gui/JPEGImage.h"
#include "platform/gui/JpegScans.h"
#include "platform/gui/Picture.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/PixelBudget.h"
#include "platform/rtl/Streams.h"

namespace orv {

namespace {

// A photo of the largest phone camera is some tens of megabytes; a file far larger is no photo
// and would only fill the memory.
constexpr off_t kMaxPictureFileBytes = 256L * 1024 * 1024;

[[noreturn]] void Refuse(const String& fileName, const String& reason) {
  throw EUnreadablePicture("ใช้แฟ้ม \"" + fileName + "\" เป็นรูปไม่ได้: " + reason);
}

[[noreturn]] void RefuseDamaged(const String& fileName) { Refuse(fileName, "รูปในแฟ้มนี้เสียหายหรือไม่ครบ"); }

// The whole file, read through one descriptor: a pipe or a device is refused before a read
// could wait on it for ever.
std::string ReadPictureFile(const String& fileName) {
  const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) Refuse(fileName, "อ่านแฟ้มนี้ไม่ได้ (" + String(std::strerror(errno)) + ")");
  struct TClosed {
    int Fd;
    ~TClosed() { ::close(Fd); }
  } closed{fd};
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) Refuse(fileName, "ชื่อนี้ไม่ใช่แฟ้มธรรมดา");
  if (st.st_size > kMaxPictureFileBytes) Refuse(fileName, "แฟ้มนี้ใหญ่เกินกว่าจะเป็นรูปถ่าย");
  std::string bytes(static_cast<size_t>(st.st_size), '\0');
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Refuse(fileName, "อ่านแฟ้มนี้ไม่ได้ (" + String(std::strerror(errno)) + ")");
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  bytes.resize(done);
  return bytes;
}

// The picture drawn upright on white (transparent parts show it) at its size, or at the most
// pixels the program holds when it claims more, as a JPEG file.
std::string AsJpeg(TGraphic& picture) {
  Int64 width = picture.Width(), height = picture.Height();
  FitPictureBudget(width, height);
  const TRect all{0, 0, static_cast<int>(width), static_cast<int>(height)};
  TBitmap pixels(all.Right, all.Bottom, pf24bit);
  pixels.Canvas().Brush().SetColor(clWhite);
  pixels.Canvas().FillRect(all);
  pixels.Canvas().StretchDraw(all, picture);
  TJPEGImage jpeg;
  jpeg.Assign(&pixels);
  TMemoryStream out;
  jpeg.SaveToStream(out);
  return std::string(reinterpret_cast<const char*>(out.Memory()), static_cast<size_t>(out.Size()));
}

bool Exists(const String& name) {
  struct stat st;
  return ::lstat(name.c_str(), &st) == 0;
}

// "<yyMMddhhmmss>.jpg" in folder, with "-1", "-2" ... after the time when a picture was put
// aside in the same second already; a link of that name counts as taken.
String TimeStampedName(const String& folder) {
  std::time_t now = std::time(nullptr);
  char stamp[16];
  std::strftime(stamp, sizeof stamp, "%y%m%d%H%M%S", std::localtime(&now));
  String name = folder + "/" + stamp + ".jpg";
  for (int n = 1; Exists(name); ++n) name = folder + "/" + stamp + "-" + std::to_string(n) + ".jpg";
  return name;
}

}  // namespace

std::string StoredPictureBytes(const String& fileName) {
  std::string bytes = ReadPictureFile(fileName);
  std::unique_ptr<TGraphic> graphic =
      TPicture::CreateGraphicForData(reinterpret_cast<const Byte*>(bytes.data()), static_cast<Int64>(bytes.size()));
  if (!graphic) Refuse(fileName, "แฟ้มนี้ไม่ใช่รูปชนิดที่โปรแกรมอ่านได้ (JPEG, PNG, BMP, WMF, EMF หรือ ICO)");
  // A photo is stored without the megabytes of comments a file may carry beside its picture.
  if (dynamic_cast<TJPEGImage*>(graphic.get())) bytes = JpegWithoutBulkySegments(std::move(bytes));
  TStringStream in(std::move(bytes));
  try {
    graphic->LoadFromStream(in);
  } catch (const Exception&) {
    RefuseDamaged(fileName);
  }
  if (graphic->Empty() || graphic->Width() <= 0 || graphic->Height() <= 0) RefuseDamaged(fileName);
  if (auto* jpeg = dynamic_cast<TJPEGImage*>(graphic.get())) {
    // Decoded, a damaged one would show grey where its data is lost.
    if (!jpeg->DecodesCleanly()) RefuseDamaged(fileName);
    // Every reader of a photo takes it as stored: one on its side is stored upright.
    if (jpeg->Orientation() == 1) return in.DataString();
  }
  return AsJpeg(*graphic);
}

void StorePicture(const String& target, const std::string& bytes, TReplacedPicture replaced) {
  const String folder = ExtractFileDir(target);
  ForceDirectories(folder);
  if (::access(folder.c_str(), W_OK) != 0) throw EInOutError(WriteFailureText(target, errno));
  // What had the name is kept under a second name before the new picture takes its place, so
  // a failed write leaves it where it was. A hard link to the entry (a link stays a link and is
  // not followed); a disk without hard links has the entry renamed instead.
  String kept;
  struct stat st;
  if (::lstat(target.c_str(), &st) == 0 && (replaced == TReplacedPicture::Kept || S_ISLNK(st.st_mode))) {
    kept = TimeStampedName(folder);
    if (::linkat(AT_FDCWD, target.c_str(), AT_FDCWD, kept.c_str(), 0) != 0 &&
        !RenameFile(target, kept))
      throw EInOutError(WriteFailureText(kept, errno));
  }
  try {
    SafeWriteFile(target, bytes, TLinkWrite::Replace);
  } catch (...) {
    if (!kept.empty()) {
      if (!Exists(target)) RenameFile(kept, target);
      else DeleteFile(kept);
    }
    throw;
  }
}

void StoreChosenPicture(const String& chosen, const String& target) {
  const std::string bytes = StoredPictureBytes(chosen);
  StorePicture(target, bytes);
  // One of the folder's own files has moved to its new name; one from elsewhere was copied.
  struct stat from, into;
  if (::stat(ExtractFileDir(chosen).c_str(), &from) == 0 && ::stat(ExtractFileDir(target).c_str(), &into) == 0 &&
      from.st_dev == into.st_dev && from.st_ino == into.st_ino)
    DeleteFile(chosen);
}

}  // namespace orv
