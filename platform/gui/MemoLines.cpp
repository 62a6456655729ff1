#include "platform/gui/MemoLines.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "platform/gui/QtBridge.h"

namespace orv {

namespace {

constexpr const char* kIndexError = "List index out of bounds (%d)";

// Puts the pieces the editor makes of text into lines from at: CR LF, CR, LF and the
// paragraph separator each end one.
void InsertPieces(TBlockList<String>& lines, size_t at, const String& text) {
  static const String kParagraphSeparator = "\xE2\x80\xA9";
  size_t from = 0;
  for (size_t i = 0; i < text.size();) {
    size_t width = 0;
    if (text[i] == '\r') width = i + 1 < text.size() && text[i + 1] == '\n' ? 2 : 1;
    else if (text[i] == '\n') width = 1;
    else if (text[i] == kParagraphSeparator[0] && text.compare(i, kParagraphSeparator.size(), kParagraphSeparator) == 0)
      width = kParagraphSeparator.size();
    if (width == 0) {
      ++i;
      continue;
    }
    lines.insert(at++, text.substr(from, i - from));
    i += width;
    from = i;
  }
  lines.insert(at, from == 0 ? text : text.substr(from));
}

}  // namespace

void TMemoEdit::Flush() {
  if (lines_) lines_->Flush();
}

void TMemoEdit::FlushSoon() {
  if (flushPosted_) return;
  flushPosted_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        flushPosted_ = false;
        Flush();
      },
      Qt::QueuedConnection);
}

bool TMemoEdit::event(QEvent* e) {
  Flush();
  return QPlainTextEdit::event(e);
}

bool TMemoEdit::viewportEvent(QEvent* e) {
  Flush();
  return QPlainTextEdit::viewportEvent(e);
}

TMemoLines::TMemoLines(TMemoEdit* edit, std::function<void()> changed, std::function<void(Int64 bytes)> charge)
    : edit_(edit), changed_(std::move(changed)), charge_(std::move(charge)) {
  edit_->SetLines(this);
  watch_ = QObject::connect(edit_->document(), &QTextDocument::contentsChanged, edit_, [this] {
    if (flushing_) return;
    // Something changed the editor while changes of ours waited: ours replace its whole text.
    if (pending_) head_ = tail_ = 0;
    else stale_ = true;
    Charge();
  });
  Refresh();
}

TMemoLines::~TMemoLines() {
  QObject::disconnect(watch_);
  if (edit_) edit_->SetLines(nullptr);
}

void TMemoLines::Refresh() const {
  stale_ = false;
  if (!edit_) return;
  QTextDocument* doc = edit_->document();
  lines_.clear();
  if (!doc->isEmpty())
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next())
      lines_.insert(lines_.size(), OStr(block.text()));
  shown_ = static_cast<Integer>(lines_.size());
}

Integer TMemoLines::GetCount() const {
  if (stale_) Refresh();
  return static_cast<Integer>(lines_.size());
}

void TMemoLines::CheckIndex(Integer index) const {
  if (index < 0 || index >= GetCount()) Error(kIndexError, index);
}

String TMemoLines::Get(Integer index) const {
  CheckIndex(index);
  return lines_[static_cast<size_t>(index)];
}

void TMemoLines::Put(Integer index, const String& s) {
  CheckIndex(index);
  Replace(index, 1, &s);
}

void TMemoLines::Insert(Integer index, const String& s) {
  if (index < 0 || index > GetCount()) Error(kIndexError, index);
  Replace(index, 0, &s);
}

void TMemoLines::Delete(Integer index) {
  CheckIndex(index);
  Replace(index, 1, nullptr);
}

void TMemoLines::Clear() {
  if (GetCount() == 0) return;
  Replace(0, GetCount(), nullptr);
}

String TMemoLines::Text() const {
  String text;
  for (Integer i = 0, n = GetCount(); i < n; ++i) {
    text += lines_[static_cast<size_t>(i)];
    text += "\r\n";
  }
  return text;
}

String TMemoLines::MemoText() const {
  String text;
  for (Integer i = 0, n = GetCount(); i < n; ++i) {
    if (i > 0) text += "\r\n";
    text += lines_[static_cast<size_t>(i)];
  }
  return text;
}

void TMemoLines::SetText(const String& text) {
  String whole = text;
  if (whole.ends_with("\r\n")) whole.resize(whole.size() - 2);
  else if (whole.ends_with('\r') || whole.ends_with('\n')) whole.pop_back();
  Replace(0, GetCount(), whole.empty() ? nullptr : &whole);
}

void TMemoLines::Replace(Integer index, Integer count, const String* text) {
  const Integer before = GetCount();
  if (!pending_) {
    head_ = tail_ = before;
    pending_ = true;
  }
  head_ = std::min(head_, index);
  tail_ = std::min(tail_, before - index - count);
  if (count == before) {
    lines_.clear();
  } else {
    for (Integer i = 0; i < count; ++i) lines_.erase(static_cast<size_t>(index));
  }
  if (text) InsertPieces(lines_, static_cast<size_t>(index), *text);
  if (edit_ && edit_->isVisible()) edit_->FlushSoon();
  if (changed_) changed_();
}

void TMemoLines::Flush() {
  if (!pending_ || flushing_ || !edit_) return;
  const TCodeChange flushing(flushing_);
  QTextDocument* doc = edit_->document();
  const Integer count = static_cast<Integer>(lines_.size());
  // The editor's text is its lines joined by line breaks: the part replaced runs from the end of
  // the last line kept in front to the start of the first line kept behind.
  const int from = head_ > 0 ? [&] {
    const QTextBlock last = doc->findBlockByNumber(head_ - 1);
    return last.position() + last.length() - 1;
  }() : 0;
  const int to = tail_ > 0 ? doc->findBlockByNumber(shown_ - tail_).position() : doc->characterCount() - 1;
  QString text;
  if (head_ < count - tail_) {
    if (head_ > 0) text += '\n';
    for (Integer i = head_; i < count - tail_; ++i) {
      if (i > head_) text += '\n';
      text += QStr(lines_[static_cast<size_t>(i)]);
    }
    if (tail_ > 0) text += '\n';
  } else if (head_ > 0 && tail_ > 0) {
    text = QStringLiteral("\n");
  }
  // A change made by code leaves no step for the user to undo.
  const bool undo = doc->isUndoRedoEnabled();
  doc->setUndoRedoEnabled(false);
  QTextCursor cursor(doc);
  cursor.beginEditBlock();
  cursor.setPosition(from);
  cursor.setPosition(to, QTextCursor::KeepAnchor);
  cursor.insertText(text);
  cursor.endEditBlock();
  doc->setUndoRedoEnabled(undo);
  pending_ = false;
  shown_ = count;
  // A character the editor takes for a break of its own (a frame mark) splits a line: the lines
  // are then read back as the editor has them.
  if (doc->blockCount() != std::max<Integer>(count, 1)) stale_ = true;
  Charge();
}

// The lines count as any allocation does; the editor's copy of them is Qt's, out of sight,
// and changes only when the lines are handed over or the user edits.
void TMemoLines::Charge() { charge_(edit_ ? 2 * static_cast<Int64>(edit_->document()->characterCount()) : 0); }

}  // namespace orv
