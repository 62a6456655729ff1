#pragma once
// The parish's Picture folder as the windows fill it: a chosen picture is read before anything
// changes, stored as a JPEG under the register's name, and what had that name is kept.
#include <string>

#include "platform/rtl/Exceptions.h"

namespace orv {

// A chosen file that is no picture the register can read; the message names it, in Thai.
class EUnreadablePicture : public Exception {
 public:
  using Exception::Exception;
};

// The bytes fileName is stored as: the file itself when it is a JPEG that decodes without a
// fault and stands upright; any other picture drawn upright on white and saved as a JPEG.
// EUnreadablePicture when the file cannot be read, is no picture of a kind the register reads
// (a phone's HEIC photo named ".jpg", say) or is damaged.
std::string StoredPictureBytes(const String& fileName);

// What becomes of the file a stored picture replaces.
enum class TReplacedPicture { Kept, Overwritten };

// Writes bytes as target, a file of a Picture folder: whatever had that name (a file, a link,
// dangling or not) is first kept under a time-stamped name beside it, moved as it is and never
// followed; the new file is written whole under a temporary name and renamed into place. An
// old file that is to be overwritten is, but a link there is still kept aside. A failure is
// told in Thai, naming target.
void StorePicture(const String& target, const std::string& bytes,
                  TReplacedPicture replaced = TReplacedPicture::Kept);

// Stores the picture in chosen as target: read and converted by StoredPictureBytes before
// anything is moved; a file that came from target's own folder is gone from there afterwards,
// as if it had been renamed.
void StoreChosenPicture(const String& chosen, const String& target);

}  // namespace orv
