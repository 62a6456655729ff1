#include "platform/gui/FormImage.h"

#include <QImage>
#include <QPixmap>
#include <cstring>

#include "platform/gui/QtBridge.h"

namespace orv {

std::unique_ptr<TBitmap> GetFormImage(TCustomForm& form) {
  QWidget* window = WidgetOf(&form);
  // Drawn at one device pixel per form pixel, so the picture has the form's size whatever the
  // screen's scale factor.
  QPixmap pixmap(window->size());
  window->render(&pixmap);
  // pf24bit rows are blue, green, red.
  QImage image = pixmap.toImage().convertToFormat(QImage::Format_BGR888);
  auto bitmap = std::make_unique<TBitmap>(image.width(), image.height(), pf24bit);
  for (int y = 0; y < image.height(); ++y)
    std::memcpy(bitmap->ScanLine(y), image.constScanLine(y),
                static_cast<size_t>(image.width()) * 3);
  return bitmap;
}

}  // namespace orv
