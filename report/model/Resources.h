#pragma once
// TkvxResources: every user-visible text of the report library, looked up by key in one global
// table filled from XML string tables ("Resources"/"StrRes"); a key without text shows itself.
#include <array>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/rtl/StringList.h"
#include "platform/rtl/Streams.h"
#include "report/model/WideStrings.h"

namespace orv {

class TImageList;

class TkvxResources {
 public:
  TkvxResources();
  ~TkvxResources();

  // Sets the text of name (case-blind), adding the key when new.
  void Add(const String& name, const WideString& value);
  // A string table as text; a root other than "Resources" adds nothing; EConvertError for a
  // "CodePage" that is missing or not a number.
  void AddXML(const String& text);
  void LoadFromStream(TStream& stream);
  // The text, or the key itself when absent; a leading "!" is removed in both cases.
  String Get(std::string_view name) const;
  Integer CodePage() const { return codePage_; }
  Integer Count() const { return static_cast<Integer>(texts_.size()); }

  String HelpFile = "KVUser.chm";
  // Opens the help file beside the program; nothing when it is missing. The desktop's viewers
  // cannot be sent to a topic, so every window opens the file at its start.
  void Help(const TObject* sender) const;
  // The help file beside the program, followed by "::/" and the page of the window's class
  // when the table of topics names it (case-blind).
  String HelpTopic(const TObject* sender) const;
  // The shared 16 x 16 pictures of the preview's tool bar and menus, and of the report objects:
  // on first use the program's resource "PreviewButtons" (or "ObjectButtons"), a gzip-packed
  // bitmap, is cut into tiles left to right and row by row, its transparent colour left out.
  TImageList* GetPreviewButtonImages();
  TImageList* GetObjectButtonImages();
  // The names of the "*.kvc" language files beside the program, "Thai" for "THAI.KVC".
  TStringList& Languages() { return languages_; }
  void LoadLanguageList();
  void LoadLanguageList(const String& folder);

 private:
  std::unordered_map<String, size_t> keys_;
  std::vector<WideString> texts_;
  Integer codePage_ = 1252;
  TStringList languages_;
  // Four 16 x 16 lists, the first the preview's pictures and the second the objects'; the other
  // two and the 32 x 32 list belong to the editing tools, which this program does not have.
  std::array<std::unique_ptr<TImageList>, 4> images16_;
  std::unique_ptr<TImageList> images32_;
};

// The global table, created with the English texts on first use.
TkvxResources* kvxGetResources();
String kvxGetStr(Integer id);
// Opens the help file with the desktop (a "::/" topic behind its name is left to the reader);
// does nothing when there is no such file.
void kvxShowHelp(const String& helpFile);
String kvxGetResourceString(Integer id);

}  // namespace orv
