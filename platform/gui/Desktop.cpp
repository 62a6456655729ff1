#include "platform/gui/Desktop.h"

#include <QFileInfo>
#include <QProcess>
#include <QUrl>

#include "platform/gui/QtBridge.h"

namespace orv {

bool ShellOpen(const String& target) {
  QString text = QStr(target).trimmed();
  if (text.isEmpty()) return false;
  QUrl url(text);
  QString scheme = url.scheme().toLower();
  QString argument;
  if (scheme == "http" || scheme == "https" || scheme == "mailto") {
    if (!url.isValid()) return false;
    argument = url.toString(QUrl::FullyEncoded);
  } else {
    // A one-letter scheme would be a Windows drive; only plain paths and file: URLs are files.
    QString path = scheme == "file" ? url.toLocalFile() : (scheme.isEmpty() ? text : QString());
    if (path.isEmpty() || !QFileInfo(path).isFile()) return false;
    argument = QFileInfo(path).absoluteFilePath();
  }
  return QProcess::startDetached(QStringLiteral("xdg-open"), {argument});
}

}  // namespace orv
