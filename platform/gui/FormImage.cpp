#include "platform/gui/FormImage.h"

#include <QImage>
#include <QPixmap>
#include <algorithm>
#include <cstring>

#include "platform/gui/Colors.h"
#include "platform/gui/QtBridge.h"

namespace orv {

namespace {

std::unique_ptr<TBitmap> ToBitmap(const QPixmap& pixmap) {
  // pf24bit rows are blue, green, red.
  QImage image = pixmap.toImage().convertToFormat(QImage::Format_BGR888);
  auto bitmap = std::make_unique<TBitmap>(image.width(), image.height(), pf24bit);
  for (int y = 0; y < image.height(); ++y)
    std::memcpy(bitmap->ScanLine(y), image.constScanLine(y),
                static_cast<size_t>(image.width()) * 3);
  return bitmap;
}

}  // namespace

std::unique_ptr<TBitmap> GetFormImage(TCustomForm& form) {
  QWidget* window = WidgetOf(&form);
  // Drawn at one device pixel per form pixel, so the picture has the form's size whatever the
  // screen's scale factor.
  QPixmap pixmap(window->size());
  window->render(&pixmap);
  return ToBitmap(pixmap);
}

std::unique_ptr<TBitmap> GetControlImage(TControl& control, int width, int height) {
  QPixmap pixmap(std::max(width, 1), std::max(height, 1));
  pixmap.fill(ToQColor(ColorToRGB(clBtnFace)));
  QWidget* widget = WidgetOf(&control);
  widget->render(&pixmap, QPoint(), QRegion(), QWidget::DrawChildren);
  return ToBitmap(pixmap);
}

}  // namespace orv
