#pragma once
// Private to platform/gui: the lines of a memo, held as a list of their own and shown by the
// memo's editor. Qt lays its whole document out again on every change, so changes by code
// collect here and reach the editor in one edit, just before it next handles an event (is
// shown, painted, typed or clicked into) or is asked for something only it knows; what the user
// types is read back when the lines are next used.
#include <QPlainTextEdit>
#include <QPointer>

#include <functional>

#include "platform/rtl/BlockList.h"
#include "platform/rtl/StringList.h"

namespace orv {

class TMemoLines;

// The memo's editor: every event it or its viewport receives first brings the lines' changes in.
class TMemoEdit : public QPlainTextEdit {
 public:
  TMemoEdit() = default;
  void SetLines(TMemoLines* lines) { lines_ = lines; }
  // Brings the lines' changes in now.
  void Flush();
  // Brings them in once the event loop runs again, for an editor on the screen.
  void FlushSoon();

 protected:
  bool event(QEvent* e) override;
  bool viewportEvent(QEvent* e) override;

 private:
  TMemoLines* lines_ = nullptr;
  bool flushPosted_ = false;
};

class TMemoLines : public TStrings {
 public:
  // changed is told after every change made through the lines; charge the bytes the editor's
  // copy of them holds.
  TMemoLines(TMemoEdit* edit, std::function<void()> changed, std::function<void(Int64 bytes)> charge);
  ~TMemoLines() override;

  String Get(Integer index) const override;
  Integer GetCount() const override;
  // A text with line breaks puts a line for each of its pieces, as the editor shows them.
  void Put(Integer index, const String& s) override;
  void Insert(Integer index, const String& s) override;
  void Delete(Integer index) override;
  void Clear() override;
  String Text() const override;
  // A final line break does not start another line; an empty text leaves no line.
  void SetText(const String& text) override;

  // The text as the memo gives it: the lines joined by CR LF.
  String MemoText() const;
  // Hands the changes not yet shown to the editor.
  void Flush();
  // True while Flush edits the editor's document: the edit is not the user's.
  bool Flushing() const { return flushing_; }

 private:
  // Replaces count lines from index with the pieces of text.
  void Replace(Integer index, Integer count, const String* text);
  void CheckIndex(Integer index) const;
  // Reads the lines back from the editor after the user changed its text.
  void Refresh() const;
  void Charge();

  // Qt may take the editor down before the memo's lines go.
  QPointer<TMemoEdit> edit_;
  QMetaObject::Connection watch_;
  std::function<void()> changed_;
  std::function<void(Int64 bytes)> charge_;
  mutable TBlockList<String> lines_;
  // The editor's text changed since the lines were read: they are read again before use.
  mutable bool stale_ = false;
  // Lines changed since the editor last received them. The editor's lines [head_, shown_ -
  // tail_) are to be replaced by the lines [head_, Count() - tail_); the rest are alike.
  bool pending_ = false;
  mutable Integer shown_ = 0;
  Integer head_ = 0;
  Integer tail_ = 0;
  bool flushing_ = false;
};

}  // namespace orv
