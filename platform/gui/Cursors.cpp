#include "platform/gui/Cursors.h"

#include <map>

#include <QCursor>
#include <QImage>
#include <QPixmap>

#include "platform/gui/Bitmap.h"
#include "platform/gui/QtBridge.h"
#include "platform/gui/Screen.h"

namespace orv {

namespace {

struct TDrawnCursor {
  QImage Image;
  int HotX = 0, HotY = 0;
};

std::map<TCursor, TDrawnCursor>& DrawnCursors() {
  static std::map<TCursor, TDrawnCursor> table;
  return table;
}

}  // namespace

void RegisterCursor(TCursor id, TBitmap& image, int hotX, int hotY) {
  const TColor transparent = image.TransparentColor();
  QImage pixels(image.Width(), image.Height(), QImage::Format_ARGB32);
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < image.Width(); ++x) {
      const TColor c = image.Canvas().Pixels(x, y);
      pixels.setPixelColor(x, y, c == transparent ? QColor(0, 0, 0, 0) : ToQColor(c));
    }
  DrawnCursors()[id] = {pixels, hotX, hotY};
}

bool RegisteredCursor(TCursor id, TBitmap& image, int& hotX, int& hotY) {
  auto it = DrawnCursors().find(id);
  if (it == DrawnCursors().end()) return false;
  const QImage& pixels = it->second.Image;
  image.SetSize(pixels.width(), pixels.height());
  for (int y = 0; y < pixels.height(); ++y)
    for (int x = 0; x < pixels.width(); ++x)
      image.Canvas().SetPixels(x, y, pixels.pixelColor(x, y).alpha() == 0 ? image.TransparentColor()
                                                                            : FromQColor(pixels.pixelColor(x, y)));
  hotX = it->second.HotX;
  hotY = it->second.HotY;
  return true;
}

QCursor ToQCursor(TCursor cursor) {
  auto it = DrawnCursors().find(cursor);
  if (it == DrawnCursors().end()) return QCursor(ToQtCursor(cursor));
  return QCursor(QPixmap::fromImage(it->second.Image), it->second.HotX, it->second.HotY);
}

THourGlass::THourGlass() : saved_(Screen->Cursor()) { Screen->SetCursor(crHourGlass); }

THourGlass::~THourGlass() { Screen->SetCursor(saved_); }

}  // namespace orv
