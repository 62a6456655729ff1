#pragma once
// TApplication: the program's message loop, its forms, hints and the handling of exceptions
// that no event handler caught.
#include <functional>

#include "platform/gui/Controls.h"
#include "platform/rtl/Exceptions.h"

namespace orv {

class TCustomForm;

using TExceptionEvent = std::function<void(TObject* Sender, const Exception& E)>;

// Flags of Application->MessageBox: one button set plus one icon.
inline constexpr int MB_OK = 0x0;
inline constexpr int MB_OKCANCEL = 0x1;
inline constexpr int MB_ABORTRETRYIGNORE = 0x2;
inline constexpr int MB_YESNOCANCEL = 0x3;
inline constexpr int MB_YESNO = 0x4;
inline constexpr int MB_RETRYCANCEL = 0x5;
inline constexpr int MB_ICONERROR = 0x10;
inline constexpr int MB_ICONSTOP = 0x10;
inline constexpr int MB_ICONQUESTION = 0x20;
inline constexpr int MB_ICONWARNING = 0x30;
inline constexpr int MB_ICONEXCLAMATION = 0x30;
inline constexpr int MB_ICONINFORMATION = 0x40;
// What Application->MessageBox returns; the same numbers as the modal results.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// The application object: creates the forms, runs the message loop until the main form closes,
// and shows the message of an exception that reached the loop.
class TApplication : public TComponent {
  ORV_CLASS(TApplication, TComponent)

 public:
  explicit TApplication(TComponent* AOwner);
  ~TApplication() override;

  // Starts the Qt application (and the project's fonts) when it does not run yet.
  void Initialize();
  // The same for a program that makes no window (a report run or an export): the fonts are read
  // on a thread of their own while it goes on, and the first text measured or drawn waits for
  // them.
  void InitializeWindowless();
  // Constructs a form of class T owned by the application and runs its OnCreate; the first
  // form created this way is the main form.
  template <class T>
  void CreateForm(T*& Reference) {
    Initialize();
    Reference = new T(this);
    FormCreated(Reference);
  }
  // Runs the message loop until Terminate (closing the main form calls it), then frees the
  // forms (each hears OnDestroy) and the Qt application: the end of the program.
  void Run();
  // Handles the events waiting now and returns.
  void ProcessMessages();
  // The same, leaving keyboard and mouse input waiting: for long work that keeps the windows
  // painted but must not be re-entered by the user.
  void ProcessNonInputMessages();
  // Waits for at least one event and handles it.
  void HandleMessage();
  void Terminate();
  bool Terminated() const { return terminated_; }

  TCustomForm* MainForm() const { return mainForm_; }
  const String& Title() const { return title_; }
  void SetTitle(const String& Value);
  // The full path of the running program.
  String ExeName() const;
  void Minimize();
  void Restore();

  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool Value) { showHint_ = Value; }
  // Milliseconds before a hint appears and before it is taken away.
  int HintPause() const { return hintPause_; }
  void SetHintPause(int Value);
  int HintHidePause() const { return hintHidePause_; }
  void SetHintHidePause(int Value);
  int HintShortPause() const { return hintShortPause_; }
  void SetHintShortPause(int Value) { hintShortPause_ = Value; }

  // A message box through the dialog service; Flags are MB_ values, the result an ID value.
  int MessageBox(const String& Text, const String& Caption, int Flags = MB_OK);

  // Call inside a catch block: OnException when assigned, else ShowException. EAbort is
  // silent.
  void HandleException(TObject* Sender);
  // The exception's message in an error box titled with the caption of the window the
  // exception being handled came from (BoxCaption()).
  void ShowException(const Exception& E);

  TExceptionEvent OnException;

 private:
  void FormCreated(TCustomForm* Form);
  void Shutdown();
  // The Qt application, its style and translations.
  void StartQt();
  friend class TCustomForm;

  TCustomForm* mainForm_ = nullptr;
  // The sender of the exception HandleException is reporting: its window captions the box.
  TObject* exceptionSender_ = nullptr;
  String title_;
  bool terminated_ = false;
  bool showHint_ = true;
  int hintPause_ = 500;
  int hintHidePause_ = 2500;
  int hintShortPause_ = 50;
};

// The program's application object, made on first use and freed (with its forms) at exit.
struct TApplicationRef {
  TApplication* operator->() const;
  operator TApplication*() const;  // NOLINT: stands for the global object
};
inline constexpr TApplicationRef Application{};

}  // namespace orv
