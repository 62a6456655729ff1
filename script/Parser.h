#pragma once
// TsxParser: the script engine's lexical reader. It has no grammar of its own; the caller asks
// for the kind of token it wants next and moves Position back when the token does not fit.
#include <bitset>
#include <set>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/rtl/Types.h"
#include "script/WorkRoom.h"

namespace orv {

// The tokenizer over one source text (UTF-8). Positions are 1-based byte indexes into the text;
// "row:col" positions count columns in code points.
class TsxParser {
 public:
  TsxParser();

  // Empties the reserved words and restores every option to its default.
  void Clear();

  // Reserved words, stored as the grammar writes them (lower case).
  void AddKeyword(const String& word);
  int KeywordCount() const { return static_cast<int>(keywords_.size()); }
  // Exact with CaseSensitive, blind to ASCII case otherwise.
  bool IsKeyword(std::string_view word) const;

  bool CaseSensitive() const { return caseSensitive_; }
  void SetCaseSensitive(bool value) { caseSensitive_ = value; }
  const String& CommentLine1() const { return commentLine1_; }
  void SetCommentLine1(String value) {
    commentLine1_ = std::move(value);
    OptionsChanged();
  }
  const String& CommentLine2() const { return commentLine2_; }
  void SetCommentLine2(String value) {
    commentLine2_ = std::move(value);
    OptionsChanged();
  }
  // "open,close"; kept whole and split at the comma.
  const String& CommentBlock1() const { return commentBlock1_; }
  void SetCommentBlock1(const String& value);
  const String& CommentBlock2() const { return commentBlock2_; }
  void SetCommentBlock2(const String& value);
  const String& HexSequence() const { return hexSequence_; }
  void SetHexSequence(String value) { hexSequence_ = std::move(value); }
  // The identifier characters become exactly the bytes of value.
  void SetIdentChars(const String& value);
  void AddIdentChars(Byte first, Byte last);
  bool IsIdentChar(Byte c) const { return identChars_[c]; }
  // Line-continuation character; only its first character counts.
  const String& SkipChar() const { return skipChar_; }
  void SetSkipChar(String value) {
    skipChar_ = std::move(value);
    OptionsChanged();
  }
  // On: line ends are blanks. Off: CR and LF are line-end tokens for GetEOL.
  bool SkipEOL() const { return skipEOL_; }
  void SetSkipEOL(bool value) {
    skipEOL_ = value;
    OptionsChanged();
  }
  // Backslash escapes inside strings.
  bool SpecStrChar() const { return specStrChar_; }
  void SetSpecStrChar(bool value) { specStrChar_ = value; }
  // Only the first character counts.
  const String& StringQuotes() const { return stringQuotes_; }
  void SetStringQuotes(String value) { stringQuotes_ = std::move(value); }

  // The source text without the NUL the tokenizer appends.
  std::string_view Text() const { return std::string_view(text_).substr(0, text_.size() - 1); }
  void SetText(std::string_view value);
  int Size() const { return static_cast<int>(text_.size()) - 1; }
  int Position() const { return position_; }
  // Sets Position and LastPosition.
  void SetPosition(int value) { position_ = lastPosition_ = value; }
  // Where the last token began.
  int LastPosition() const { return lastPosition_; }

  void SkipSpaces() {
    // Most tokens follow a single blank or none: nothing to skip when the character can begin
    // neither a blank, a comment nor a continuation.
    const Byte c = At(position_);
    if (c <= 32 || skipStarts_[c]) position_ = SkipFrom(position_);
    lastPosition_ = position_;
  }
  // Where the token at or after position begins, after blanks and comments; Position stays.
  int After(int position) {
    const Byte c = At(position);
    return c > 32 && !skipStarts_[c] ? position : SkipFrom(position);
  }
  // The character a token read now would begin with: the one after blanks and comments, 0 at
  // the end of the text. Position stays.
  Byte Lookahead() { return position_ == lookFrom_ ? lookChar_ : LookFrom(); }
  // One run of CR and LF characters.
  bool GetEOL();
  // The next word, reserved or not; empty when none.
  String GetWord();
  // As GetWord, but empty for a reserved word (Position then stays after it).
  String GetIdent();
  // One punctuation character, without skipping blanks.
  String GetChar();
  // A number's text, with "$" as the hexadecimal prefix whatever the dialect writes.
  String GetNumber();
  // A string literal in normalised form: the joined pieces between single quotes.
  String GetString();
  // The raw text of a bracketed report reference; the opening "<" is already consumed.
  String GetKVString();

  // As GetWord, GetChar and GetNumber, without copying the token: it is the text from
  // LastPosition (GetChar: the Position before) to Position. False when there is none.
  bool ReadWord() {
    SkipSpaces();
    const Byte first = At(position_);
    if (!identChars_[first] || (first >= '0' && first <= '9') || position_ > Size()) return false;
    while (position_ <= Size() && identChars_[At(position_)]) ++position_;
    return true;
  }
  bool ReadChar() {
    const Byte c = At(position_);
    if ((c >= 33 && c <= 47) || (c >= 58 && c <= 64) || (c >= 91 && c <= 96) || (c >= 123 && c <= 126)) {
      ++position_;
      return true;
    }
    return false;
  }
  // A number whose hexadecimal prefix is not "$" comes back in rewritten, with "$".
  bool ReadNumber(String& rewritten);
  // The text from position from to before position to.
  std::string_view Slice(int from, int to) const {
    return std::string_view(text_.data() + (from - 1), static_cast<size_t>(to - from));
  }

  // Where the text, read from its start, holds a block comment or a string that is never
  // closed: the first one's position (comment tells which), or 0 when there is none.
  int FindUnclosed(bool& comment);

  // "row:col" of Position; both 1-based.
  String GetRowCol() const;
  String RowColAt(int position) const;
  // Appends RowColAt(position) to out.
  void AppendRowCol(String& out, int position) const;
  // The row and column RowColAt writes.
  void RowColNumbersAt(int position, int& row, int& col) const;
  // The same, answered at once in a text of ASCII characters for a position on the row last
  // asked for or the one before: a tree is built from its end, its elements asked for one after
  // another.
  void RowColNear(int position, int& row, int& col) const {
    size_t r = static_cast<size_t>(lastRow_);
    if (asciiOnly_ && r >= 1 && r <= lineStarts_.size()) {
      if (lineStarts_[r - 1] >= position && r >= 2 && lineStarts_[r - 2] < position) --r;
      if (lineStarts_[r - 1] < position &&
          (r == lineStarts_.size() ? position <= Size() + 1 : lineStarts_[r] >= position)) {
        lastRow_ = static_cast<int>(r);
        row = lastRow_;
        col = position - lineStarts_[r - 1];
        return;
      }
    }
    RowColNumbersAt(position, row, col);
  }
  // Position of column X (code points) of row Y; -1 when the row does not exist.
  int RowColToPosition(TPoint point) const;

 private:
  Byte At(int position) const {
    // One comparison: a position before the text wraps round to a large index.
    const size_t index = static_cast<size_t>(static_cast<unsigned>(position) - 1u);
    return index < text_.size() ? static_cast<Byte>(text_[index]) : 0;
  }
  bool StartsWith(int position, const String& s) const;
  // Recomputes what depends on the blank and comment options.
  void OptionsChanged();
  // Where blanks and comments starting at position end.
  int SkipFrom(int position) {
    // One blank before a token, the commonest skip, needs nothing remembered.
    const Byte next = At(position + 1);
    if (blanks_[At(position)] && next > 32 && !skipStarts_[next]) return position + 1;
    const size_t index = static_cast<size_t>(static_cast<unsigned>(position));
    if (index >= skips_.size()) return SkipUnknown(position);
    const Byte known = skips_[index];
    if (known == 0) return SkipUnknown(position);
    return known <= kLongSkip ? position + known - 1 : longSkips_.find(position)->second;
  }
  int SkipUnknown(int position);
  bool SkipComment();
  // Whether the line comment opener at position stands as a word of its own: "rem" opens a
  // comment, "remove" does not.
  bool IsCommentWord(int position, const String& opener) const;
  // Whether the continuation character at position ends its line (only blanks follow it).
  bool EndsLine(int position) const;
  void SkipLineEnds();
  // Reads the digits of a number at position (prefix, digits); returns the end or 0.
  int ScanInteger(int position, Int64& value) const;
  // Where the number at position ends; 0 when no number begins there.
  int NumberEnd(int position) const;

  std::set<String> keywords_;
  // The reserved words folded to lower case, by their first character; empty without any.
  std::vector<std::vector<String>> foldedByFirst_;
  // The reserved words as written, by their first character; empty without any.
  std::vector<std::vector<String>> exactByFirst_;
  bool caseSensitive_ = false;
  String commentLine1_, commentLine2_;
  String commentBlock1_, commentBlock2_;
  String blockOpen1_, blockClose1_, blockOpen2_, blockClose2_;
  String hexSequence_;
  std::bitset<256> identChars_;
  String skipChar_;
  bool skipEOL_ = true;
  bool specStrChar_ = false;
  String stringQuotes_;
  // Blanks as the line-end option says.
  std::bitset<256> blanks_;
  // Characters that may open a comment or continue a line; any other non-blank ends a skip.
  std::bitset<256> skipStarts_;
  // The last lookahead: the walk asks for it at the same position once per alternative tried.
  int lookFrom_ = -1;
  Byte lookChar_ = 0;
  // Out of line: the walk's frames, which inline Lookahead, stay small.
  Byte LookFrom();
  // Where the skip from each position ends, 0 while unknown: the grammar walk backtracks and
  // asks again from the same places. A byte per position, one more than the length skipped;
  // the few longer skips (comments) are looked up by position.
  static constexpr int kLongSkip = 254;
  TsxWorkList<Byte> skips_;
  std::unordered_map<int, int> longSkips_;
  void ForgetSkips();
  int Skipped(int position);

  String text_ = String(1, '\0');
  int position_ = 1;
  int lastPosition_ = 1;
  // Where a block comment without its closing text began; 0 when none was met.
  int unclosedComment_ = 0;
  // 0, then the 1-based index of every LF.
  TsxWorkList<int> lineStarts_ = {0};
  // The row of the position last turned into "row:col".
  mutable int lastRow_ = 0;
  // "row:" of the row last written.
  mutable int rowTextRow_ = 0;
  mutable int rowTextLength_ = 0;
  mutable char rowText_[16] = {};
  // For each 1-based byte index, the number of code points that begin before it; counted when
  // first needed in a text of ASCII characters only.
  mutable TsxWorkList<int> codePoints_;
  bool asciiOnly_ = true;
  void CountCodePoints() const;
};

}  // namespace orv
