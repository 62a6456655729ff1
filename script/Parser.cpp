#include "script/Parser.h"

#include <algorithm>
#include <cstring>

#include "platform/rtl/TextUtils.h"

namespace orv {

namespace {

constexpr Byte CR = 13;
constexpr Byte LF = 10;
constexpr Byte TAB = 9;

bool IsDigit(Byte c) { return c >= '0' && c <= '9'; }

int HexValue(Byte c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Character codes in strings ("#233", "\xE9") are Unicode code points, since the text is UTF-8;
// what no code point can be becomes U+FFFD instead of broken UTF-8.
void AppendCharCode(String& s, Int64 code) {
  if (code < 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
  AppendCodePoint(s, static_cast<char32_t>(code));
}

// Writes a number of at most ten digits; the end of what it wrote.
char* WriteDecimal(char* out, int value) {
  char digits[12];
  int n = 0;
  unsigned v = static_cast<unsigned>(value < 0 ? 0 : value);
  do {
    digits[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v > 0);
  while (n > 0) *out++ = digits[--n];
  return out;
}

void SplitPair(const String& value, String& first, String& second) {
  const size_t comma = value.find(',');
  first = value.substr(0, comma);
  second.clear();
  if (comma == String::npos) return;
  const size_t next = value.find(',', comma + 1);
  second = value.substr(comma + 1, next == String::npos ? String::npos : next - comma - 1);
}

}  // namespace

TsxParser::TsxParser() { Clear(); }

void TsxParser::Clear() {
  keywords_.clear();
  foldedByFirst_.clear();
  exactByFirst_.clear();
  caseSensitive_ = false;
  commentLine1_ = "//";
  commentLine2_.clear();
  SetCommentBlock1("{,}");
  SetCommentBlock2("(*,*)");
  hexSequence_ = "$";
  SetIdentChars("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz");
  skipChar_.clear();
  skipEOL_ = true;
  specStrChar_ = false;
  stringQuotes_ = "'";
  OptionsChanged();
}

void TsxParser::AddKeyword(const String& word) {
  if (!keywords_.insert(word).second || word.empty()) return;
  const String folded = LowerCase(word);
  if (foldedByFirst_.empty()) {
    foldedByFirst_.resize(256);
    exactByFirst_.resize(256);
  }
  exactByFirst_[static_cast<Byte>(word[0])].push_back(word);
  std::vector<String>& sameStart = foldedByFirst_[static_cast<Byte>(folded[0])];
  if (std::find(sameStart.begin(), sameStart.end(), folded) == sameStart.end()) sameStart.push_back(folded);
}

bool TsxParser::IsKeyword(std::string_view word) const {
  if (word.empty() || keywords_.empty()) return false;
  if (caseSensitive_) {
    for (const String& keyword : exactByFirst_[static_cast<Byte>(word[0])])
      if (keyword == word) return true;
    return false;
  }
  // Every word read is asked about: it is compared, blind to ASCII case, with the few reserved
  // words of its first letter and length only.
  const auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  for (const String& keyword : foldedByFirst_[static_cast<Byte>(fold(word[0]))]) {
    if (keyword.size() != word.size()) continue;
    size_t i = 1;
    while (i < word.size() && fold(word[i]) == keyword[i]) ++i;
    if (i == word.size()) return true;
  }
  return false;
}

void TsxParser::SetCommentBlock1(const String& value) {
  commentBlock1_ = value;
  SplitPair(value, blockOpen1_, blockClose1_);
  OptionsChanged();
}

void TsxParser::SetCommentBlock2(const String& value) {
  commentBlock2_ = value;
  SplitPair(value, blockOpen2_, blockClose2_);
  OptionsChanged();
}

void TsxParser::SetIdentChars(const String& value) {
  identChars_.reset();
  for (char c : value) identChars_.set(static_cast<Byte>(c));
  OptionsChanged();
}

void TsxParser::AddIdentChars(Byte first, Byte last) {
  for (int c = first; c <= last; ++c) identChars_.set(static_cast<size_t>(c));
  OptionsChanged();
}

void TsxParser::OptionsChanged() {
  // With line ends as tokens neither CR nor LF is a blank: Unix line ends must end a statement
  // as CR LF does.
  blanks_.reset();
  for (int c = 0; c <= 32; ++c)
    if (skipEOL_ || (c != CR && c != LF)) blanks_.set(static_cast<size_t>(c));
  skipStarts_.reset();
  for (const String* opener : {&commentLine1_, &commentLine2_, &blockOpen1_, &blockOpen2_, &skipChar_})
    if (!opener->empty()) skipStarts_.set(static_cast<Byte>(opener->front()));
  ForgetSkips();
}

void TsxParser::ForgetSkips() {
  skips_.assign(text_.size() + 2, 0);
  longSkips_.clear();
  lookFrom_ = -1;
}

void TsxParser::SetText(std::string_view value) {
  // Room for the NUL at once: appending it to a full string would copy the text again.
  text_.clear();
  text_.reserve(value.size() + 1);
  text_.append(value);
  text_.push_back('\0');
  position_ = lastPosition_ = 1;
  ForgetSkips();
  unclosedComment_ = 0;
  lineStarts_.assign(1, 0);
  lastRow_ = 0;
  for (const char* lf = value.data(), *end = lf + value.size();
       (lf = static_cast<const char*>(std::memchr(lf, LF, static_cast<size_t>(end - lf)))) != nullptr; ++lf)
    lineStarts_.push_back(static_cast<int>(lf - value.data()) + 1);
  // In a text of ASCII characters only, bytes are characters: columns need no count of them.
  Byte any = 0;
  for (const char c : value) any |= static_cast<Byte>(c);
  asciiOnly_ = any < 0x80;
  codePoints_.clear();
  if (!asciiOnly_) CountCodePoints();
}

void TsxParser::CountCodePoints() const {
  const size_t size = text_.size() - 1;
  codePoints_.assign(size + 3, 0);
  int count = 0;
  for (size_t i = 0; i < size; ++i) {
    codePoints_[i + 1] = count;
    // UTF-8 continuation bytes do not begin a character.
    if ((static_cast<Byte>(text_[i]) & 0xC0) != 0x80) ++count;
  }
  codePoints_[size + 1] = count;
  codePoints_[size + 2] = count + 1;
}

bool TsxParser::StartsWith(int position, const String& s) const {
  if (s.empty() || position < 1) return false;
  const size_t start = static_cast<size_t>(position - 1);
  // The appended NUL is not part of the text.
  if (start + s.size() > text_.size() - 1) return false;
  return text_.compare(start, s.size(), s) == 0;
}

void TsxParser::SkipLineEnds() {
  while (At(position_) == CR || At(position_) == LF) ++position_;
}

bool TsxParser::IsCommentWord(int position, const String& opener) const {
  if (!StartsWith(position, opener)) return false;
  if (!identChars_[static_cast<Byte>(opener.front())]) return true;
  const bool joinedBefore = position > 1 && identChars_[At(position - 1)];
  const bool joinedAfter = identChars_[At(position + static_cast<int>(opener.size()))];
  return !joinedBefore && !joinedAfter;
}

bool TsxParser::EndsLine(int position) const {
  int p = position + 1;
  while (p <= Size() && At(p) <= 32 && At(p) != CR && At(p) != LF) ++p;
  return p > Size() || At(p) == CR || At(p) == LF;
}

// One comment at Position, if there is one; true when something was skipped.
bool TsxParser::SkipComment() {
  const int size = Size();
  if (position_ >= size) return false;
  if (IsCommentWord(position_, commentLine1_) || IsCommentWord(position_, commentLine2_)) {
    const bool beginsLine = position_ == 1 || At(position_ - 1) == LF;
    while (position_ <= size && At(position_) != LF) {
      if (!skipEOL_ && !beginsLine && At(position_) == CR) break;
      ++position_;
    }
    // A line holding only a comment yields no line end, whatever the line-end style.
    if (!skipEOL_ && beginsLine && At(position_) == LF) ++position_;
    return true;
  }
  const String* close = nullptr;
  size_t openLength = 0;
  if (StartsWith(position_, blockOpen1_)) {
    close = &blockClose1_;
    openLength = blockOpen1_.size();
  } else if (StartsWith(position_, blockOpen2_)) {
    close = &blockClose2_;
    openLength = blockOpen2_.size();
  }
  if (!close) return false;
  const int start = position_;
  position_ += static_cast<int>(openLength);
  while (position_ <= size && !StartsWith(position_, *close)) ++position_;
  // An unclosed comment ends at the end of the text, never past it, and is remembered: it has
  // swallowed the rest of the program.
  if (position_ <= size)
    position_ += static_cast<int>(close->size());
  else if (unclosedComment_ == 0 || start < unclosedComment_)
    unclosedComment_ = start;
  return true;
}

Byte TsxParser::LookFrom() {
  Byte c = At(position_);
  if (c <= 32 || skipStarts_[c]) {
    const int after = SkipFrom(position_);
    c = after > Size() ? 0 : At(after);
  }
  lookFrom_ = position_;
  lookChar_ = c;
  return c;
}

int TsxParser::SkipUnknown(int position) {
  if (position < 1 || static_cast<size_t>(position) >= skips_.size()) return Skipped(position);
  // Mostly blanks and then a token: no comment or continuation to look into.
  const int size = Size();
  int end = position;
  while (end <= size && blanks_[At(end)]) ++end;
  if (skipStarts_[At(end)]) end = Skipped(position);
  if (end - position < kLongSkip) {
    skips_[static_cast<size_t>(position)] = static_cast<Byte>(end - position + 1);
  } else {
    skips_[static_cast<size_t>(position)] = kLongSkip + 1;
    longSkips_[position] = end;
  }
  return end;
}

int TsxParser::Skipped(int position) {
  const int saved = position_;
  position_ = position;
  const int size = Size();
  // After a continuation character, one run of line ends that follows belongs to it.
  bool continuation = false;
  for (;;) {
    while (position_ <= size && blanks_[At(position_)]) ++position_;
    if (!continuation && !skipStarts_[At(position_)]) break;
    // A continuation character continues a line only at its end: elsewhere it is text
    // ("_total" is a name).
    if (!skipChar_.empty() && position_ <= size && At(position_) == static_cast<Byte>(skipChar_[0]) &&
        EndsLine(position_)) {
      ++position_;
      continuation = true;
      continue;
    }
    if (SkipComment()) continue;
    if (continuation) {
      continuation = false;
      if (At(position_) == CR || At(position_) == LF) {
        SkipLineEnds();
        continue;
      }
    }
    break;
  }
  const int end = position_;
  position_ = saved;
  return end;
}

bool TsxParser::GetEOL() {
  SkipSpaces();
  // Where line ends are tokens, the end of the text ends the last line too.
  if (!skipEOL_ && position_ > Size()) return true;
  if (At(position_) != CR && At(position_) != LF) return false;
  SkipLineEnds();
  return true;
}

String TsxParser::GetWord() {
  if (!ReadWord()) return {};
  return String(Slice(lastPosition_, position_));
}

String TsxParser::GetIdent() {
  if (!ReadWord() || IsKeyword(Slice(lastPosition_, position_))) return {};
  return String(Slice(lastPosition_, position_));
}

String TsxParser::GetChar() {
  if (!ReadChar()) return {};
  return String(1, text_[static_cast<size_t>(position_ - 2)]);
}

int TsxParser::ScanInteger(int position, Int64& value) const {
  value = 0;
  int digits = 0;
  if (!hexSequence_.empty() && At(position) == static_cast<Byte>(hexSequence_[0]) &&
      StartsWith(position, hexSequence_)) {
    position += static_cast<int>(hexSequence_.size());
    for (int h; (h = HexValue(At(position))) >= 0; ++position, ++digits)
      value = value > 0x7FFFFFFFFFFLL ? value : value * 16 + h;
  } else {
    for (; IsDigit(At(position)); ++position, ++digits)
      value = value > 0x7FFFFFFFFFFLL ? value : value * 10 + (At(position) - '0');
  }
  return digits > 0 ? position : 0;
}

int TsxParser::NumberEnd(int position) const {
  const Byte first = At(position);
  if (!IsDigit(first) && (hexSequence_.empty() || first != static_cast<Byte>(hexSequence_[0]))) return 0;
  // Only where the digits end: their value is not needed here.
  int end = position;
  if (!hexSequence_.empty() && first == static_cast<Byte>(hexSequence_[0]) && StartsWith(position, hexSequence_)) {
    end += static_cast<int>(hexSequence_.size());
    const int digits = end;
    while (HexValue(At(end)) >= 0) ++end;
    if (end == digits) return 0;
  } else {
    while (IsDigit(At(end))) ++end;
    if (end == position) return 0;
  }
  if (At(end) == '.' && IsDigit(At(end + 1))) {
    end += 2;
    while (IsDigit(At(end))) ++end;
  }
  if (At(end) == 'E' || At(end) == 'e') {
    int exponent = end + 1;
    if (At(exponent) == '+' || At(exponent) == '-') ++exponent;
    if (IsDigit(At(exponent))) {
      while (IsDigit(At(exponent))) ++exponent;
      end = exponent;
    }
  }
  return end;
}

bool TsxParser::ReadNumber(String& rewritten) {
  SkipSpaces();
  const int end = NumberEnd(position_);
  if (end == 0) return false;
  position_ = end;
  if (!hexSequence_.empty() && (hexSequence_.size() != 1 || hexSequence_[0] != '$')) {
    const std::string_view token = Slice(lastPosition_, end);
    if (token.find(hexSequence_) != token.npos)
      rewritten = StringReplace(String(token), hexSequence_, "$", rfReplaceAll);
  }
  return true;
}

String TsxParser::GetNumber() {
  String rewritten;
  if (!ReadNumber(rewritten)) return {};
  if (!rewritten.empty()) return rewritten;
  return String(Slice(lastPosition_, position_));
}

String TsxParser::GetString() {
  SkipSpaces();
  const Byte quote = stringQuotes_.empty() ? 0 : static_cast<Byte>(stringQuotes_[0]);
  String result;
  bool any = false;
  for (;;) {
    const int pieceStart = position_;
    if (quote != 0 && At(position_) == quote) {
      ++position_;
      String piece;
      bool closed = false;
      for (;;) {
        Byte c = At(position_);
        if (c < 32 && c != TAB) break;  // a line end or the end of the text
        if (c == quote) {
          if (!specStrChar_ && At(position_ + 1) == quote) {
            piece.push_back(static_cast<char>(quote));
            position_ += 2;
            continue;
          }
          ++position_;
          closed = true;
          break;
        }
        if (specStrChar_ && c == '\\') {
          c = At(position_ + 1);
          if (c < 32 && c != TAB) break;
          position_ += 2;
          if (c == 'n' || c == 'N') {
            piece.push_back('\n');
          } else if (c == 'r' || c == 'R') {
            piece.push_back('\r');
          } else if (c == 'x' || c == 'X') {
            Int64 code = 0;
            int digits = 0;
            for (int h; (h = HexValue(At(position_))) >= 0; ++position_, ++digits)
              code = code > 0x10FFFF ? code : code * 16 + h;
            if (digits > 0) AppendCharCode(piece, code);
          } else {
            piece.push_back(static_cast<char>(c));
          }
          continue;
        }
        piece.push_back(static_cast<char>(c));
        ++position_;
      }
      if (!closed) {
        position_ = pieceStart;
        break;
      }
      result += piece;
      any = true;
    } else if (At(position_) == '#') {
      Int64 code;
      const int end = ScanInteger(position_ + 1, code);
      if (end == 0) break;
      AppendCharCode(result, code);
      position_ = end;
      any = true;
    } else {
      break;
    }
  }
  if (!any) return {};
  return "'" + result + "'";
}

String TsxParser::GetKVString() {
  const int start = position_;
  int depth = 1;
  bool inDouble = false, inSingle = false;
  for (; position_ <= Size(); ++position_) {
    const Byte c = At(position_);
    if (c == '"' && !inSingle) {
      inDouble = !inDouble;
    } else if (c == '\'' && !inDouble) {
      inSingle = !inSingle;
    } else if (!inDouble && !inSingle) {
      if (c == '<' || c == '[') {
        ++depth;
      } else if ((c == '>' || c == ']') && --depth == 0) {
        break;
      }
    }
  }
  return text_.substr(static_cast<size_t>(start - 1), static_cast<size_t>(position_ - start));
}

int TsxParser::FindUnclosed(bool& comment) {
  const int savedPosition = position_;
  const int savedLast = lastPosition_;
  const int savedUnclosed = unclosedComment_;
  const Byte quote = stringQuotes_.empty() ? 0 : static_cast<Byte>(stringQuotes_[0]);
  // Only a quote or a block comment's opener can begin what is never closed; a text without
  // any is not read token by token.
  const std::string_view text = Text();
  const auto holds = [&](const String& opener) { return !opener.empty() && text.find(opener) != text.npos; };
  if ((quote == 0 || text.find(static_cast<char>(quote)) == text.npos) && !holds(blockOpen1_) &&
      !holds(blockOpen2_))
    return 0;
  const int size = Size();
  position_ = 1;
  int found = 0;
  for (;;) {
    SkipSpaces();
    if (unclosedComment_ != 0) {
      comment = true;
      found = unclosedComment_;
      break;
    }
    const int at = position_;
    if (at > size) break;
    const Byte c = At(at);
    if (quote != 0 && c == quote) {
      if (GetString().empty()) {
        comment = false;
        found = at;
        break;
      }
      continue;
    }
    // Words and numbers whole, so that a comment opener or a quote inside one is not taken
    // for what it would be on its own.
    if (identChars_[c] && !IsDigit(c)) {
      while (position_ <= size && identChars_[At(position_)]) ++position_;
      continue;
    }
    if (const int end = NumberEnd(at)) {
      position_ = end;
      continue;
    }
    position_ = at + 1;
  }
  position_ = savedPosition;
  lastPosition_ = savedLast;
  unclosedComment_ = savedUnclosed;
  return found;
}

String TsxParser::GetRowCol() const { return RowColAt(position_); }

String TsxParser::RowColAt(int position) const {
  String out;
  AppendRowCol(out, position);
  return out;
}

void TsxParser::RowColNumbersAt(int position, int& rowOut, int& colOut) const {
  position = std::clamp(position, 1, Size() + 1);
  // The row is the number of line starts before the position: an LF belongs to the line it
  // ends. Positions are mostly asked for in order, or (building a tree from its end) in reverse
  // order, so the row of the last one and the few around it are tried first.
  const int rows = static_cast<int>(lineStarts_.size());
  const auto before = [&](int r) { return lineStarts_[static_cast<size_t>(r - 1)] < position; };
  const auto fits = [&](int r) { return before(r) && (r == rows || !before(r + 1)); };
  int row = std::clamp(lastRow_, 1, rows);
  if (!fits(row)) {
    if (before(row)) {
      for (int step = 0; step < 4 && row < rows && before(row + 1); ++step) ++row;
    } else {
      for (int step = 0; step < 4 && row > 1 && !before(row); ++step) --row;
    }
    if (!fits(row)) {
      const auto it = std::lower_bound(lineStarts_.begin(), lineStarts_.end(), position);
      row = static_cast<int>(it - lineStarts_.begin());
    }
    lastRow_ = row;
  }
  const int rowStart = lineStarts_[static_cast<size_t>(row - 1)];
  const int col = asciiOnly_ ? position - rowStart
                            : codePoints_[static_cast<size_t>(position)] -
                                  codePoints_[static_cast<size_t>(rowStart + 1)] + 1;
  rowOut = row;
  colOut = col;
}

void TsxParser::AppendRowCol(String& out, int position) const {
  int row, col;
  RowColNumbersAt(position, row, col);
  // Most elements of a row ask one after another: its number is written once.
  if (rowTextRow_ != row) {
    char* end = WriteDecimal(rowText_, row);
    *end++ = ':';
    rowTextLength_ = static_cast<int>(end - rowText_);
    rowTextRow_ = row;
  }
  char buffer[48];
  std::memcpy(buffer, rowText_, sizeof rowText_);  // the whole room: a copy of fixed size is a few moves
  char* end = buffer + rowTextLength_;
  if (col >= 1 && col < 10) {
    *end++ = static_cast<char>('0' + col);
  } else if (col >= 10 && col < 100) {
    *end++ = static_cast<char>('0' + col / 10);
    *end++ = static_cast<char>('0' + col % 10);
  } else {
    end = WriteDecimal(end, col);
  }
  out.append(buffer, static_cast<size_t>(end - buffer));
}

int TsxParser::RowColToPosition(TPoint point) const {
  if (point.Y < 1 || point.Y > static_cast<int>(lineStarts_.size())) return -1;
  const int lineStart = lineStarts_[static_cast<size_t>(point.Y - 1)];
  if (point.X < 1) return lineStart + point.X;
  // The first byte after X - 1 characters of the line: found through the running character
  // count, so that a long line is not walked once per position asked.
  if (codePoints_.empty()) CountCodePoints();
  const int wanted = codePoints_[static_cast<size_t>(lineStart + 1)] + point.X - 1;
  const auto from = codePoints_.begin() + lineStart + 1;
  const auto it = std::lower_bound(from, codePoints_.end(), wanted);
  int position = static_cast<int>(it - codePoints_.begin());
  if (it == codePoints_.end()) position += wanted - codePoints_.back();
  while (position <= Size() && (At(position) & 0xC0) == 0x80) ++position;
  return position;
}

}  // namespace orv
