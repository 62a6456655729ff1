#include "platform/gui/Application.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QProxyStyle>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include "platform/gui/DialogService.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/FormRegistry.h"
#include "platform/gui/KeyWindowGuard.h"
#include "platform/fonts/FontConfig.h"
#include "platform/gui/Forms.h"
#include "platform/gui/QtBridge.h"
#include "platform/gui/Screen.h"
#include "platform/gui/ThaiQtTexts.h"

namespace orv {

namespace {

// Gives Qt's hint window the application's hint delays.
class HintStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override {
    if (hint == SH_ToolTip_WakeUpDelay) return Application->HintPause();
    if (hint == SH_ToolTip_FallAsleepDelay) return Application->HintHidePause();
    return QProxyStyle::styleHint(hint, option, widget, returnData);
  }
};

// Freed by the application object (a static of its own would go before the forms do).
QApplication* ownedQtApplication = nullptr;

}  // namespace

void EnsureQtApplication() {
  Application->Initialize();
  // A window made by a windowless program (a dialog page of a report run) reads the fonts.
  InitFonts();
}

TApplication* TApplicationRef::operator->() const {
  static std::unique_ptr<TApplication> app = std::make_unique<TApplication>(nullptr);
  return app.get();
}

TApplicationRef::operator TApplication*() const { return operator->(); }

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {}

TApplication::~TApplication() {
  // Reached only when static objects are destroyed, after Qt's own globals: Run has already
  // freed the windows, and what is still here (a program that never ran the loop) is left to
  // the process's end, as freeing widgets or the Qt application now would crash.
  while (ComponentCount() > 0) RemoveComponent(Components(ComponentCount() - 1));
}

void TApplication::Shutdown() {
  // Forms hear OnDestroy while whole, then go before the Qt application they live in.
  for (int i = ComponentCount() - 1; i >= 0; --i) {
    if (auto* form = dynamic_cast<TCustomForm*>(Components(i))) form->DoDestroy();
  }
  DestroyComponents();
  mainForm_ = nullptr;
  // Forms without an owner outlive the loop as objects, but their windows cannot outlive the
  // Qt application: the windows go now, and freeing such a form later frees only the object.
  for (TCustomForm* form : AllForms()) {
    DetachControlTree(form);
    delete WidgetOf(form);
  }
  // Objects Qt was asked to free later would otherwise meet their display connection gone.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  delete ownedQtApplication;
  ownedQtApplication = nullptr;
}

void TApplication::Initialize() {
  if (QApplication::instance()) return;
  // Before Qt starts: the window system's font database reads fontconfig's configuration, our
  // aliases included.
  InitFonts();
  StartQt();
}

void TApplication::InitializeWindowless() {
  if (QApplication::instance()) return;
  // Such a program needs no display, and runs where there is none.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // Without windows nothing waits on GLib's main loop, and starting Qt's own event loop
  // instead spares a few milliseconds of every run.
  setenv("QT_NO_GLIB", "1", 0);
  // Qt reads no font until text is measured or drawn, and that asks for the fonts first.
  InitFontsMeanwhile();
  StartQt();
}

void TApplication::StartQt() {
  // The program's file name names it to the window system (its window class), as the title
  // does until the program sets another.
  static std::string name = std::filesystem::path(ExeName()).stem().string();
  if (name.empty()) name = "orvane";
  static int argc = 1;
  static char* argv[] = {name.data(), nullptr};
  ownedQtApplication = new QApplication(argc, argv);
  QApplication::setStyle(new HintStyle);
  QApplication::setQuitOnLastWindowClosed(false);
  InstallKeyWindowGuard(ownedQtApplication);
  // Qt's own dialogs (file, colour, font) and buttons speak the user's language where the
  // system has Qt's translations for it.
  auto* qtTexts = new QTranslator(ownedQtApplication);
  if (qtTexts->load(QLocale(), QStringLiteral("qt"), QStringLiteral("_"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QCoreApplication::installTranslator(qtTexts);
  // The system has none in Thai: the program carries the words of the dialogs a user meets.
  if (QLocale().language() == QLocale::Thai)
    QCoreApplication::installTranslator(NewThaiQtTexts(ownedQtApplication));
  if (title_.empty()) title_ = name;
  QCoreApplication::setApplicationName(QStr(title_));
  // A cursor set before there was a window system to show it.
  if (Screen->Cursor() != crDefault) QApplication::setOverrideCursor(ToQCursor(Screen->Cursor()));
}

void TApplication::FormCreated(TCustomForm* Form) {
  if (!mainForm_) mainForm_ = Form;
  Form->DoCreate();
}

void TApplication::Run() {
  Initialize();
  if (mainForm_) mainForm_->Show();
  while (!terminated_) HandleMessage();
  // Qt's own globals are gone by the time static objects are destroyed, so the windows are
  // freed here, at the program's end, rather than with the application object.
  Shutdown();
}

void TApplication::ProcessNonInputMessages() {
  if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TApplication::ProcessMessages() {
  if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TApplication::HandleMessage() {
  Initialize();
  QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::EventLoopExec);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TApplication::Terminate() {
  terminated_ = true;
  if (QCoreApplication::instance()) QCoreApplication::postEvent(qApp, new QEvent(QEvent::User));
}

void TApplication::SetTitle(const String& Value) {
  title_ = Value;
  if (QCoreApplication::instance()) QCoreApplication::setApplicationName(QStr(Value));
}

String TApplication::ExeName() const {
  std::error_code ec;
  auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? String() : path.string();
}

void TApplication::Minimize() {
  for (TCustomForm* f : AllForms())
    if (f->Visible()) WidgetOf(f)->showMinimized();
}

void TApplication::Restore() {
  for (TCustomForm* f : AllForms())
    if (f->Visible()) WidgetOf(f)->showNormal();
}

void TApplication::SetHintPause(int Value) { hintPause_ = Value; }
void TApplication::SetHintHidePause(int Value) { hintHidePause_ = Value; }

int TApplication::MessageBox(const String& Text, const String& Caption, int Flags) {
  TMessageBoxRequest request;
  request.Caption = Caption;
  request.Text = Text;
  switch (Flags & 0xF0) {
    case MB_ICONERROR: request.Type = mtError; break;
    case MB_ICONQUESTION: request.Type = mtConfirmation; break;
    case MB_ICONWARNING: request.Type = mtWarning; break;
    case MB_ICONINFORMATION: request.Type = mtInformation; break;
    default: request.Type = mtCustom; break;
  }
  switch (Flags & 0x0F) {
    case MB_OKCANCEL: request.Buttons = {mbOK, mbCancel}; break;
    case MB_ABORTRETRYIGNORE: request.Buttons = {mbAbort, mbRetry, mbIgnore}; break;
    case MB_YESNOCANCEL: request.Buttons = {mbYes, mbNo, mbCancel}; break;
    case MB_YESNO: request.Buttons = {mbYes, mbNo}; break;
    case MB_RETRYCANCEL: request.Buttons = {mbRetry, mbCancel}; break;
    default: request.Buttons = {mbOK}; break;
  }
  return DialogService().ShowMessageBox(request);
}

void TApplication::HandleException(TObject* Sender) {
  std::exception_ptr current = std::current_exception();
  if (!current) return;
  auto report = [&](const Exception& e) {
    TObject* outer = std::exchange(exceptionSender_, Sender);
    try {
      if (OnException)
        OnException(Sender, e);
      else
        ShowException(e);
    } catch (...) {
      exceptionSender_ = outer;
      throw;
    }
    exceptionSender_ = outer;
  };
  try {
    std::rethrow_exception(current);
  } catch (const EAbort&) {
  } catch (const Exception& e) {
    report(e);
  } catch (const std::exception& e) {
    report(Exception(e.what()));
  } catch (...) {
    report(Exception("Unknown exception"));
  }
}

void TApplication::ShowException(const Exception& E) {
  String message = E.Message();
  // The statement a database error carries says nothing to the user: it goes to standard
  // error, for whoever looks into the fault.
  size_t statement = message.find("\nSQL: ");
  if (statement != String::npos) {
    std::fprintf(stderr, "%s: %s\n", title_.c_str(), message.c_str());
    message.erase(statement);
  }
  // The class library ends a message that stops on a letter or digit with a full stop.
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.' &&
      static_cast<unsigned char>(message.back()) < 0x80)
    message += '.';
  MessageBox(message, BoxCaption(exceptionSender_), MB_OK | MB_ICONSTOP);
}

ORV_IMPLEMENT_CLASS(TApplication, c) {
  c.Prop("Title", [](TApplication& a) { return a.Title(); }, &TApplication::SetTitle);
  c.Prop("ExeName", &TApplication::ExeName);
  c.Prop("ShowHint", &TApplication::ShowHint, &TApplication::SetShowHint).Default(true);
  c.Prop("HintPause", &TApplication::HintPause, &TApplication::SetHintPause);
  c.Prop("HintHidePause", &TApplication::HintHidePause, &TApplication::SetHintHidePause);
}

}  // namespace orv
