#pragma once
// How a combo box of the windows saves its text as it changes, the way text fields save on
// Enter: nothing typed is lost to a refusal.
#include <functional>

#include "platform/gui/StdCtrls.h"

namespace orv {

// The entry already stored, chosen again, writes nothing. A change the parish refused keeps
// the text typed: the letters typed after it only edit the text, and Enter saves it.
class TComboSaving {
 public:
  // Whether combo's text is to be written now: it differs from stored, and no refusal waits
  // for Enter (byEnter: Enter was pressed in combo).
  bool Wanted(TComboBox* combo, const String& stored, bool byEnter);
  // Runs write. On a refusal combo waits for Enter, and the letters typed while the parish was
  // waited for are put into it before the refusal goes on to its box.
  void Write(TComboBox* combo, const std::function<void()>& write);
  // The record is shown again: no combo box waits any more.
  void Forget() { refused_ = nullptr; }

 private:
  TComboBox* refused_ = nullptr;
};

}  // namespace orv
