// Fuzz target: the first byte picks what the rest is read as. '0' to '3' (by the low two bits)
// a program in PascalScript, C++Script, BasicScript or JScript, which is parsed, built and run
// with a step limit; with bit 2 set, a script XML document; with bit 3 set ('H' to 'K'), Thai
// letters may make names, as in reports. Nothing may crash, hang or leak; errors are expected.
#include <sanitizer/lsan_interface.h>

#include <cstddef>
#include <cstdlib>
#include <cstdint>
#include <memory>

#include "platform/gui/DialogService.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/TextUtils.h"
#include "script/ILParser.h"
#include "script/Parser.h"
#include "script/Script.h"
#include "script/XMLDocument.h"

namespace {

const char* const kDialects[] = {"PascalScript", "C++Script", "BasicScript", "JScript"};

// Every getter of the tokenizer over the text, as a caller that asks for the wrong kind would.
void Tokenize(const orv::String& text, const orv::TsxILParser& configured) {
  orv::TsxParser parser = configured.Parser();
  parser.SetText(text);
  for (int guard = 0; guard < 100000 && parser.Position() <= parser.Size(); ++guard) {
    const int before = parser.Position();
    if (parser.GetEOL() || !parser.GetNumber().empty() || !parser.GetString().empty() ||
        !parser.GetWord().empty() || !parser.GetChar().empty()) {
      parser.GetRowCol();
      continue;
    }
    if (parser.Position() == before) parser.SetPosition(before + 1);
  }
  parser.SetPosition(1);
  parser.GetKVString();
  parser.RowColToPosition({3, 2});
}

// Answers every dialog a script asks for with Cancel, so no window is ever opened.
class TSilentDialogService : public orv::IDialogService {
 public:
  int ShowMessageBox(const orv::TMessageBoxRequest&) override { return 2; }
  bool InputQuery(const orv::String&, const orv::String&, orv::String&) override { return false; }
  bool ExecuteFileDialog(orv::TFileDialogRequest&) override { return false; }
  bool ExecuteColorDialog(orv::TColor&) override { return false; }
  bool ExecuteFontDialog(orv::TFont&) override { return false; }
  bool ExecutePrintDialog(orv::TPrintDialogRequest&) override { return false; }
  bool ExecutePrinterSetupDialog(orv::TPrinterSetupRequest&) override { return false; }
};

// Builds and runs what parses. ShowMessage is replaced by a silent routine (the host's own
// registrations come after the built-ins and win), and every other dialog is cancelled.
void Run(const orv::String& text, const char* dialect) {
  orv::TsxScript script(nullptr);
  script.AddRTTI();
  script.AddMethod("procedure ShowMessage(Msg: Variant)",
                   [](orv::TObject*, orv::TClass, const orv::String&, orv::TsxMethodHelper& c) {
                     c.GetParamValue(0).ToString();
                     return orv::Variant();
                   });
  script.OnGetUnit = [](orv::TsxScript&, const orv::String& name, orv::String& unit) {
    unit = name.size() % 2 ? orv::String() : orv::String("procedure U; begin end; begin end.");
  };
  script.SetSyntaxType(dialect);
  script.Lines().SetText(text);
  script.SetStepLimit(20000);
  if (!script.Compile()) return;
  // A modal form waits for a person; a fuzzer has none.
  if (orv::Pos("SHOWMODAL", orv::UpperCase(text)) > 0) return;
  try {
    // Objects a script creates and never frees are its author's to free, as in the program;
    // the leak check covers everything else.
    __lsan::ScopedDisabler scriptObjects;
    script.Execute();
  } catch (const orv::Exception&) {
    // Run-time errors of the script.
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The dialog functions start the GUI library even when every answer is scripted.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  orv::SetDialogService(std::make_unique<TSilentDialogService>());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const orv::String text(reinterpret_cast<const char*>(data) + 1, size - 1);
  try {
    if (data[0] & 4) {
      orv::TsxXMLDocument doc;
      doc.LoadFromString(text);
      orv::TsxXMLDocument copy;
      copy.LoadFromString(doc.SaveToString());
      return 0;
    }
    orv::TsxILParser parser;
    // Units come from memory: the fuzzer must not read files.
    parser.OnGetUnit = [](const orv::String& name) {
      return name.size() % 2 ? orv::String() : orv::String("x");
    };
    parser.SetExtendedCharset((data[0] & 8) != 0);
    parser.SelectLanguage(kDialects[data[0] & 3]);
    Tokenize(text, parser);
    if (parser.ParseSource(text)) Run(text, kDialects[data[0] & 3]);
  } catch (const orv::Exception&) {
    // "Invalid file format", "Language '...' not found": refusals, not faults.
  }
  return 0;
}
