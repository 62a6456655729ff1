#pragma once
// TClipboard: the desktop's clipboard, holding pictures and the data of formats that programs
// name for themselves.
#include <memory>

#include "platform/gui/Graphic.h"

namespace orv {

class TBitmap;

using TClipboardFormat = Word;
constexpr TClipboardFormat CF_BITMAP = 2;

// The number of a format a program names; the same name, in any case, gives the same number for
// the program's lifetime. Numbers of named formats start at 0xC000, apart from the built-in ones.
TClipboardFormat RegisterClipboardFormat(const String& name);

// What one format holds on the clipboard: a picture for CF_BITMAP, bytes for a named format.
struct TClipboardData {
  TClipboardFormat Format = 0;
  std::shared_ptr<TBitmap> Bitmap;
  String Bytes;
};

class TClipboard {
 public:
  bool HasFormat(TClipboardFormat format) const;
  // Replaces what the clipboard holds.
  void SetAsData(const TClipboardData& data);
  // What the clipboard holds in format; an empty Bitmap and Bytes when it holds none.
  TClipboardData GetAsData(TClipboardFormat format) const;
  // The graphic in the form it puts on the clipboard.
  void Assign(TGraphic& graphic);
  void Clear();
};

// The program's clipboard.
TClipboard& Clipboard();

}  // namespace orv
