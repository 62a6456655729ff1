#pragma once
// Ini-file settings stores: sections of key=value lines, sections and keys case-blind.
// Files are UTF-8 with CR LF line breaks (read as code page 874 when not valid UTF-8); lines
// that are no key=value lines (comments, blank lines) are kept as they are when a file is
// rewritten.
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/rtl/TypInfo.h"

namespace orv {

class TStream;
class TStrings;

// The store's content: sections in file order, each with its lines.
class TIniContent {
 public:
  void Parse(const String& text);
  String Render() const;

  // Every section name, in order.
  std::vector<String> SectionNames() const;
  bool HasSection(const String& section) const;
  // false when absent.
  bool Read(const String& section, const String& key, String& value) const;
  // EIniFileException when a line break, a "=" in the key or a "]" in the section name would
  // change the file's structure.
  void Write(const String& section, const String& key, const String& value);
  std::vector<String> ReadKeys(const String& section) const;
  // "key=value" lines of the section.
  std::vector<String> ReadLines(const String& section) const;
  void EraseSection(const String& section);
  void DeleteKey(const String& section, const String& key);
  void Clear() {
    sections_.clear();
    index_.clear();
  }

 private:
  struct Line {
    String key;  // empty for a line that is kept as text
    String value;
    String text;
  };
  struct Section {
    String name;  // the lines before the first section have none
    bool headed = false;
    std::vector<Line> lines;
    // The upper-cased keys, each with its first line, so that files of many keys are read and
    // written in linear time.
    std::unordered_map<String, size_t> keys;
    // One past the last line with a key: where a new key goes.
    size_t keyedEnd = 0;
    void AddLine(Line line);
    void IndexKeys();
  };
  Section* Find(const String& section);
  const Section* Find(const String& section) const;
  void AddSection(const String& name, bool headed);
  void IndexSections();
  std::vector<Section> sections_;
  // The upper-cased names of the headed sections, each with its first place in sections_.
  std::unordered_map<String, size_t> index_;
};

// The common interface of the ini stores, with the typed reads and writes built on strings.
class TCustomIniFile : public TObject {
  ORV_CLASS(TCustomIniFile, TObject)

 public:
  explicit TCustomIniFile(String fileName) : fileName_(std::move(fileName)) {}
  const String& FileName() const { return fileName_; }

  virtual String ReadString(const String& section, const String& ident,
                            const String& defaultValue) = 0;
  virtual void WriteString(const String& section, const String& ident, const String& value) = 0;
  // The keys of the section.
  virtual void ReadSection(const String& section, TStrings& strings) = 0;
  virtual void ReadSections(TStrings& strings) = 0;
  // The "key=value" lines of the section.
  virtual void ReadSectionValues(const String& section, TStrings& strings) = 0;
  virtual void EraseSection(const String& section) = 0;
  virtual void DeleteKey(const String& section, const String& ident) = 0;
  // Writes pending changes to the file (for stores that keep them in memory).
  virtual void UpdateFile() = 0;

  // A "0x" prefix reads as hexadecimal; a value that is no number gives the default.
  Integer ReadInteger(const String& section, const String& ident, Integer defaultValue);
  void WriteInteger(const String& section, const String& ident, Integer value);
  // Stored as "1" / "0"; any non-zero number reads as true.
  bool ReadBool(const String& section, const String& ident, bool defaultValue);
  void WriteBool(const String& section, const String& ident, bool value);
  // Numbers, dates and times in the program's locale forms; unreadable text gives the default.
  double ReadFloat(const String& section, const String& ident, double defaultValue);
  void WriteFloat(const String& section, const String& ident, double value);
  TDateTime ReadDate(const String& section, const String& ident, TDateTime defaultValue);
  void WriteDate(const String& section, const String& ident, TDateTime value);
  TDateTime ReadDateTime(const String& section, const String& ident, TDateTime defaultValue);
  void WriteDateTime(const String& section, const String& ident, TDateTime value);
  TDateTime ReadTime(const String& section, const String& ident, TDateTime defaultValue);
  void WriteTime(const String& section, const String& ident, TDateTime value);
  // Bytes as hexadecimal text: written from the stream's position to its end; read into the
  // stream at its position, which is left at the start of the bytes read. Returns their count.
  Integer ReadBinaryStream(const String& section, const String& ident, TStream& value);
  void WriteBinaryStream(const String& section, const String& ident, TStream& value);
  // true when the section has at least one key.
  bool SectionExists(const String& section);
  bool ValueExists(const String& section, const String& ident);

 protected:
  void SetFileName(const String& fileName) { fileName_ = fileName; }

 private:
  String fileName_;
};

// An ini file on disk: every read reads the file, every write rewrites it at once (through a
// temporary file renamed over it, so a failed write keeps the old file). A write that fails
// raises EIniFileException "Unable to write to %s".
class TIniFile : public TCustomIniFile {
  ORV_CLASS(TIniFile, TCustomIniFile)

 public:
  explicit TIniFile(const String& fileName);

  String ReadString(const String& section, const String& ident,
                    const String& defaultValue) override;
  void WriteString(const String& section, const String& ident, const String& value) override;
  void ReadSection(const String& section, TStrings& strings) override;
  void ReadSections(TStrings& strings) override;
  void ReadSectionValues(const String& section, TStrings& strings) override;
  void EraseSection(const String& section) override;
  void DeleteKey(const String& section, const String& ident) override;
  // Writes are immediate; nothing to do.
  void UpdateFile() override {}

 private:
  // Before a write an unreadable existing file raises instead of reading as empty, so that
  // the write cannot replace its content with the one new key.
  TIniContent Load(bool forWrite) const;
  void Save(const TIniContent& content);
};

// An ini file held in memory: read when created, written only by UpdateFile.
class TMemIniFile : public TCustomIniFile {
  ORV_CLASS(TMemIniFile, TCustomIniFile)

 public:
  // Reads the file when it exists.
  explicit TMemIniFile(const String& fileName);
  // Takes the lines of strings as its content; UpdateFile then needs a file name (Rename).
  explicit TMemIniFile(const TStrings& strings);

  String ReadString(const String& section, const String& ident,
                    const String& defaultValue) override;
  void WriteString(const String& section, const String& ident, const String& value) override;
  void ReadSection(const String& section, TStrings& strings) override;
  void ReadSections(TStrings& strings) override;
  void ReadSectionValues(const String& section, TStrings& strings) override;
  void EraseSection(const String& section) override;
  void DeleteKey(const String& section, const String& ident) override;
  // Writes the content to the file, safely; EIniFileException without a file name.
  void UpdateFile() override;

  void Clear() { content_.Clear(); }
  // The content as lines of an ini file.
  void GetStrings(TStrings& list) const;
  void SetStrings(const TStrings& list);
  // Changes the file name; with reload the new file's content replaces the current one.
  void Rename(const String& fileName, bool reload);

 private:
  TIniContent content_;
};

// The registry-backed settings store, kept as an ini file: the key path becomes a file under
// the configuration folder ($XDG_CONFIG_HOME, default ~/.config): "\Software\Quillans" is
// <config>/orvane/Software/Quillans.ini. Sections are the subkeys, idents the values. Folders
// are made on the first write. "." and ".." parts of the key path are dropped, so a key cannot
// reach outside the folder.
class TRegistryIniFile : public TCustomIniFile {
  ORV_CLASS(TRegistryIniFile, TCustomIniFile)

 public:
  // FileName() is the key path.
  explicit TRegistryIniFile(const String& keyPath);
  // The file that holds the key path.
  static String KeyFileName(const String& keyPath);
  const String& StoreFileName() const { return store_.FileName(); }

  String ReadString(const String& section, const String& ident,
                    const String& defaultValue) override;
  void WriteString(const String& section, const String& ident, const String& value) override;
  void ReadSection(const String& section, TStrings& strings) override;
  void ReadSections(TStrings& strings) override;
  void ReadSectionValues(const String& section, TStrings& strings) override;
  void EraseSection(const String& section) override;
  void DeleteKey(const String& section, const String& ident) override;
  void UpdateFile() override {}

 private:
  TIniFile store_;
};

}  // namespace orv
