#include "platform/gui/Accelerators.h"

#include <QKeySequence>
#include <QShortcut>

#include "platform/gui/QtBridge.h"

namespace orv {

namespace {

const char* const kAcceleratorPrefix = "orvAccelerator";

}  // namespace

void SetAccelerator(TControl* control, const String& caption, std::function<void()> handler,
                    const void* slot) {
  QWidget* widget = WidgetOf(control);
  if (!widget) return;
  QString name = QString::fromLatin1(kAcceleratorPrefix) + QString::number(reinterpret_cast<quintptr>(slot), 16);
  for (QShortcut* old : widget->findChildren<QShortcut*>(name, Qt::FindDirectChildrenOnly)) delete old;
  QKeySequence seq = QKeySequence::mnemonic(QStr(caption));
  if (seq.isEmpty() || !handler) return;
  auto* shortcut = new QShortcut(seq, widget);
  shortcut->setObjectName(name);
  shortcut->setContext(Qt::WindowShortcut);
  QObject::connect(shortcut, &QShortcut::activated, widget,
                   [control, handler = std::move(handler)] { CallSafely(control, handler); });
}

}  // namespace orv
