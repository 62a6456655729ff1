#include "app/WindowFont.h"

#include "platform/gui/Graphics.h"

namespace orv {

void SetThaiWindowFont(TForm* form) {
  form->Font()->SetName("Microsoft Sans Serif");
  form->Font()->SetCharset(THAI_CHARSET);
  form->Font()->SetSize(10);
}

}  // namespace orv
