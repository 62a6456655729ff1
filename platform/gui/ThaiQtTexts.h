#pragma once
// Private to platform/gui: Thai for the words of Qt's own dialogs, which the system's Qt
// translations do not carry, and of the platform's print dialogs.
class QObject;
class QTranslator;

namespace orv {

// A translator answering in Thai, owned by parent; install it when the user's language is Thai.
QTranslator* NewThaiQtTexts(QObject* parent);

}  // namespace orv
