#pragma once
// TScreen: the desktop the program runs on, and the cursor shown over all of its windows.
#include <vector>

#include "platform/gui/Cursors.h"
#include "platform/rtl/Component.h"

namespace orv {

class TCustomForm;

// The screen: its size, the program's forms and the cursor shown over every window.
class TScreen : public TComponent {
  ORV_CLASS(TScreen, TComponent)

 public:
  explicit TScreen(TComponent* AOwner);
  // crDefault lets each control show its own cursor; any other cursor shows everywhere.
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor Value);
  int Width() const;
  int Height() const;
  // The forms that exist, in the order they were made.
  int FormCount() const;
  TCustomForm* Forms(int Index) const;
  TCustomForm* ActiveForm() const;
  // The form whose ShowModal runs innermost; nullptr while none runs.
  TCustomForm* ModalForm() const;

 private:
  TCursor cursor_ = crDefault;
};

// The program's screen object, made on first use.
struct TScreenRef {
  TScreen* operator->() const;
  operator TScreen*() const;  // NOLINT: stands for the global object
};
inline constexpr TScreenRef Screen{};

}  // namespace orv
