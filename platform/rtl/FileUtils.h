#pragma once
// File names, folders and files: the path routines of the class library plus safe writing.
#include <functional>

#include "platform/rtl/Types.h"

namespace orv {

inline constexpr char PathDelim = '/';

// The folder part with its trailing delimiter ("/a/b/c.txt" -> "/a/b/").
String ExtractFilePath(const String& fileName);
// The folder part without it ("/a/b/c.txt" -> "/a/b"; the root stays "/").
String ExtractFileDir(const String& fileName);
String ExtractFileName(const String& fileName);
// Includes the dot; "" when the name has none.
String ExtractFileExt(const String& fileName);
String ChangeFileExt(const String& fileName, const String& extension);
String IncludeTrailingPathDelimiter(const String& s);
String ExcludeTrailingPathDelimiter(const String& s);

bool FileExists(const String& fileName);
bool DirectoryExists(const String& dir);
// Creates dir and every missing parent; false when that fails.
bool ForceDirectories(const String& dir);
bool DeleteFile(const String& fileName);
// Replaces newName when it exists.
bool RenameFile(const String& oldName, const String& newName);
String GetCurrentDir();

// The user's home folder: $HOME when it names an absolute folder, else the account's home in
// the password database; "" when neither is known. A program started without HOME (by a
// service or a cron job) must not fall back on a folder that other users can write.
String HomeFolder();

// $TMPDIR or /tmp, with a trailing "/".
String GetTempDir();
// Creates a new empty file "<folder>/<prefix>XXXXXX" that did not exist before and returns its name.
// EInOutError when the folder is not writable.
String CreateTempFile(const String& folder, const String& prefix);

// A further temporary file beside the temporary of a SafeWriteFile, for a writer that builds its
// file from pieces: "<tempName>.partXXXXXX". Removed by the writer; one a killed write left
// behind is removed by a later SafeWriteFile of the same target.
String CreatePartFile(const String& tempName);

// The system's reason for errorNumber in Thai where the office meets it (a full disk, a folder
// without permission), with the system's own words after it.
String SystemErrorText(int errorNumber);
// "เขียนแฟ้ม "<fileName>" ไม่ได้: " and the reason.
String WriteFailureText(const String& fileName, int errorNumber);

// What a write does with a name that is a symbolic link.
enum class TLinkWrite {
  Through,  // writes the file the link names; the link stays
  Replace,  // the new file takes the link's place; the link is never followed
};

// Writes a file so that the old one survives any failure and the new one survives a power loss:
// write() fills a temporary file in the target's folder, which is flushed to disk and renamed
// over the target only when write() returns, and the folder is flushed after the rename. A
// symbolic link is written through to its target, or replaced. An existing file keeps its
// permissions; a new one gets newFileMode, or by default what the umask allows. Temporaries
// that an earlier, killed write of the same target left behind are removed first. On an
// exception from write() or from the disk, the temporary file is removed and the exception
// (EFCreateError / EWriteError for disk faults) is passed on, naming fileName where it named the
// temporary file.
// A target that is a character device or a named pipe keeps its node, owner and mode: the file
// is made in the temporary folder and then written into it as it stands (a pipe must have a
// reader waiting). A socket, a disk device and a loop of links are refused with EFCreateError.
void SafeWriteFile(const String& fileName, const std::function<void(const String& tempName)>& write,
                   int newFileMode = -1, TLinkWrite links = TLinkWrite::Through);
// The same for a complete block of bytes.
void SafeWriteFile(const String& fileName, const std::string& contents, TLinkWrite links = TLinkWrite::Through);

}  // namespace orv
