#pragma once
// Runs a script as the run tests do: built-ins added, ShowMessage answered by a scripted dialog
// service, every message text one line of the output.
#include <memory>

#include "platform/gui/ScriptedDialogService.h"
#include "platform/rtl/Exceptions.h"
#include "script/Script.h"

namespace orv::test {

// A program that must fail, with the message and the "row:col" it must fail with.
struct TBadProgram {
  const char* Dialect;
  const char* Source;
  const char* Message;
  const char* Pos;
};

struct TRunResult {
  bool Compiled = false;
  String CompileError;
  String CompilePos;
  // Empty when the run ended normally.
  String RunError;
  String RunErrorClass;
  std::vector<String> Lines;
};

// Boxes are answered from the queue or with their first button. With nobody there, a form
// shown modally ends at once as cancelled, as in the report tool; otherwise it waits for what
// the test does to end it.
class TRunDialogService : public TScriptedDialogService {
 public:
  explicit TRunDialogService(bool nobodyThere) : nobodyThere_(nobodyThere) {}
  bool Unattended() const override { return nobodyThere_; }

 private:
  bool nobodyThere_;
};

// A script ready to compile: built-ins added, a generous step limit against endless loops.
inline std::unique_ptr<TsxScript> NewScript(const String& dialect, const String& text) {
  auto script = std::make_unique<TsxScript>(nullptr);
  script->AddRTTI();
  script->SetSyntaxType(dialect);
  script->Lines().SetText(text);
  script->SetStepLimit(200'000'000);
  return script;
}

// Runs an already configured script.
inline TRunResult RunScript(TsxScript& script, bool nobodyThere = false) {
  TRunResult result;
  auto service = std::make_unique<TRunDialogService>(nobodyThere);
  TScriptedDialogService* shown = service.get();
  auto previous = SetDialogService(std::move(service));
  result.Compiled = script.Compile();
  if (!result.Compiled) {
    result.CompileError = script.ErrorMsg;
    result.CompilePos = script.ErrorPos;
  } else {
    try {
      script.Execute();
    } catch (const Exception& e) {
      result.RunError = e.Message();
      result.RunErrorClass = e.ClassName();
    }
  }
  // ShowMessage's boxes: no type and only an OK button (MessageDlg's carry their own).
  for (const auto& box : shown->Shown())
    if (box.Kind == "message" && box.Type == mtCustom && box.Buttons == TMsgDlgButtons{mbOK})
      result.Lines.push_back(box.Text);
  SetDialogService(std::move(previous));
  return result;
}

inline TRunResult Run(const String& dialect, const String& text) {
  auto script = NewScript(dialect, text);
  return RunScript(*script);
}

}  // namespace orv::test
