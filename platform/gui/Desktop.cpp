#include "platform/gui/Desktop.h"

#include <QFileInfo>
#include <QProcess>
#include <QUrl>

#include <memory>
#include <string>

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

void ShellOpenFile(const String& file, std::function<void(const String& reason)> OnFailure) {
  QFileInfo info(QStr(file));
  if (!info.isFile()) {
    OnFailure("ไม่พบแฟ้ม");
    return;
  }
  // Not owned by the application: a process still running when the program ends (xdg-open
  // waits for the application in some desktops) is left to run, not killed with the program.
  auto* opener = new QProcess;
  opener->setProgram(QStringLiteral("xdg-open"));
  opener->setArguments({info.absoluteFilePath()});
  opener->setStandardOutputFile(QProcess::nullDevice());
  opener->setStandardErrorFile(QProcess::nullDevice());
  auto fail = std::make_shared<std::function<void(const String&)>>(std::move(OnFailure));
  QObject::connect(opener, &QProcess::errorOccurred, opener, [opener, fail](QProcess::ProcessError error) {
    if (error != QProcess::FailedToStart) return;
    opener->deleteLater();
    (*fail)("ไม่มีโปรแกรม xdg-open ที่ใช้เปิดแฟ้มด้วยโปรแกรมของเครื่อง");
  });
  QObject::connect(opener, &QProcess::finished, opener, [opener, fail](int code, QProcess::ExitStatus status) {
    opener->deleteLater();
    if (status == QProcess::NormalExit && code == 0) return;
    // xdg-open's own exit codes.
    if (status == QProcess::NormalExit && code == 3)
      (*fail)("ไม่มีโปรแกรมในเครื่องที่เปิดแฟ้มชนิดนี้ได้");
    else if (status == QProcess::NormalExit && code == 4)
      (*fail)("โปรแกรมที่ใช้เปิดแฟ้มชนิดนี้ทำงานไม่สำเร็จ");
    else
      (*fail)("xdg-open จบโดยไม่ได้เปิดแฟ้ม (รหัส " + std::to_string(code) + ")");
  });
  opener->start();
}

}  // namespace orv
