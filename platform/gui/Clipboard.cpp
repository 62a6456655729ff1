#include "platform/gui/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include <map>

#include "platform/gui/Bitmap.h"
#include "platform/gui/CanvasPaint.h"
#include "platform/gui/CanvasQt.h"
#include "platform/gui/QtBridge.h"
#include "platform/rtl/TextUtils.h"

namespace orv {

namespace {

// Named formats by their upper-cased name, and the names by number.
struct TFormatNames {
  std::map<String, TClipboardFormat> Numbers;
  std::map<TClipboardFormat, String> Names;
};

TFormatNames& Formats() {
  static TFormatNames formats;
  return formats;
}

// How the desktop's clipboard names a format a Windows program registered, so that other Qt
// programs find it under the same name.
QString MimeOf(const String& name) { return "application/x-qt-windows-mime;value=\"" + QStr(name) + "\""; }

QClipboard* DesktopClipboard() {
  EnsureQtApplication();
  return QGuiApplication::clipboard();
}

}  // namespace

TClipboardFormat RegisterClipboardFormat(const String& name) {
  if (name.empty()) throw EInvalidOperation("A clipboard format needs a name");
  TFormatNames& formats = Formats();
  const String key = UpperCase(name);
  if (auto it = formats.Numbers.find(key); it != formats.Numbers.end()) return it->second;
  if (formats.Numbers.size() >= 0x3FFF) throw EInvalidOperation("Too many clipboard formats");
  const auto number = static_cast<TClipboardFormat>(0xC000 + formats.Numbers.size());
  formats.Numbers[key] = number;
  formats.Names[number] = name;
  return number;
}

bool TClipboard::HasFormat(TClipboardFormat format) const {
  const QMimeData* data = DesktopClipboard()->mimeData();
  if (!data) return false;
  if (format == CF_BITMAP) return data->hasImage();
  auto it = Formats().Names.find(format);
  return it != Formats().Names.end() && data->hasFormat(MimeOf(it->second));
}

void TClipboard::SetAsData(const TClipboardData& data) {
  auto mime = std::make_unique<QMimeData>();
  if (data.Format == CF_BITMAP) {
    if (!data.Bitmap) throw EInvalidOperation("No picture to put on the clipboard");
    mime->setImageData(BitmapImage(*data.Bitmap).copy());
  } else {
    auto it = Formats().Names.find(data.Format);
    if (it == Formats().Names.end()) throw EInvalidOperation("Unknown clipboard format");
    mime->setData(MimeOf(it->second), QByteArray(data.Bytes.data(), static_cast<qsizetype>(data.Bytes.size())));
  }
  DesktopClipboard()->setMimeData(mime.release());
}

TClipboardData TClipboard::GetAsData(TClipboardFormat format) const {
  TClipboardData result;
  result.Format = format;
  const QMimeData* data = DesktopClipboard()->mimeData();
  if (!data) return result;
  if (format == CF_BITMAP) {
    const QImage image = qvariant_cast<QImage>(data->imageData());
    if (!image.isNull()) result.Bitmap = BitmapFromImage(image);
  } else if (auto it = Formats().Names.find(format); it != Formats().Names.end()) {
    const QByteArray bytes = data->data(MimeOf(it->second));
    result.Bytes.assign(bytes.constData(), static_cast<size_t>(bytes.size()));
  }
  return result;
}

void TClipboard::Assign(TGraphic& graphic) {
  TClipboardData data;
  graphic.SaveToClipboardFormat(data);
  SetAsData(data);
}

void TClipboard::Clear() { DesktopClipboard()->clear(); }

TClipboard& Clipboard() {
  static TClipboard clipboard;
  return clipboard;
}

}  // namespace orv
