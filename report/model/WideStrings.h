#pragma once
// TWideStrings: the lines of a report text object as UTF-16, and the conversions between wide
// text and 8-bit text in a code page.
#include <string_view>
#include <utility>
#include <vector>

#include "platform/rtl/Persistent.h"
#include "platform/rtl/Streams.h"

namespace orv {

class TWideStrings : public TPersistent {
  ORV_CLASS(TWideStrings, TPersistent)

 public:
  Integer Count() const { return static_cast<Integer>(lines_.size()); }
  // '' out of range.
  WideString Strings(Integer index) const;
  WideString Get(Integer index) const { return Strings(index); }
  // The line itself, for reading it without a copy; index must be in range.
  const WideString& Line(Integer index) const { return lines_[static_cast<size_t>(index)].first; }
  // Index Count appends; any other index out of range raises "Wide String Out of Bounds".
  void Put(Integer index, const WideString& s);
  TObject* Objects(Integer index) const;
  // Ignored out of range.
  void SetObjects(Integer index, TObject* obj);
  Integer Add(const WideString& s) { return AddObject(s, nullptr); }
  Integer AddObject(const WideString& s, TObject* obj);
  // Before line index; index Count appends.
  void Insert(Integer index, const WideString& s);
  void AddStrings(const TWideStrings& source);
  void Delete(Integer index);
  void Clear() { lines_.clear(); }
  Integer IndexOf(const WideString& s) const;
  Integer GetCount() const { return Count(); }

  // Every line followed by CR LF.
  WideString Text() const;
  // Text() == text, without making Text().
  bool TextEquals(std::u16string_view text) const;
  WideString GetText() const { return Text(); }
  // Splits at CR LF, CR, LF and U+2028; a final line break adds no empty line.
  void SetText(const WideString& text);
  // The same; a text of one line, as a rebuilt page's memos mostly hold, becomes that line
  // without a copy.
  void SetText(WideString&& text);

  // From TWideStrings or a string list (its UTF-8 lines).
  void Assign(TPersistent* source) override;
  // Exchanges the lines (and their objects) with other's, copying none.
  void Swap(TWideStrings& other) noexcept { lines_.swap(other.lines_); }

  // A UTF-16LE text with its byte-order mark, or 8-bit text (UTF-8, else code page 874).
  void LoadFromStream(TStream& stream);
  // UTF-16LE with its byte-order mark, so loading gives the same lines back.
  void SaveToStream(TStream& stream) const;
  void LoadFromFile(const String& fileName);
  void SaveToFile(const String& fileName) const;

  // "UTF8": the lines as UTF-8 strings; "Strings" (read only): the old 8-bit form.
  void DefineProperties(TFiler* filer) override;

 protected:
  void AssignTo(TPersistent* dest) override;

 private:
  std::vector<std::pair<WideString, TObject*>> lines_;
};

// The code page of a charset: the system's for DEFAULT_CHARSET, 2 for MAC_CHARSET, 1 (OEM) for
// OEM_CHARSET, else the charset's own.
int kvxCharSetToCodePage(Byte charset);
// s is the program's text (UTF-8) when it is valid UTF-8, else bytes in codePage (when 0, the
// code page of charset). '' when nothing converts.
WideString kvxAnsiToUnicode(const String& s, Byte charset, int codePage = 0);
// For the system code page the program's text (UTF-8), else bytes in that code page.
String kvxUnicodeToAnsi(const WideString& ws, Byte charset, int codePage = 0);
// Whether kvxAnsiToUnicode(kvxUnicodeToAnsi(text, charset), charset) gives every well-formed
// text back as it was: the charset's code page is the system's or UTF-8.
bool kvxCharsetKeepsText(Byte charset);
// The locale identifier of a charset; the Thai locale (1054) for others.
int kvxCharSetToLCID(Byte charset);
// OEM and ANSI are the same code page here: the text comes back unchanged.
String kvxOemToStr(const String& s);

}  // namespace orv
