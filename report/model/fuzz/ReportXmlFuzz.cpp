// libFuzzer target: any input to the XML reader either loads or fails with "Invalid file format";
// what loads saves and loads again, its unloadable items come back from the stream they live
// in, and a report read from it through the serializer saves to text that reads back to the same
// bytes.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/rtl/Exceptions.h"
#include "report/model/Report.h"
#include "report/model/XmlDocument.h"

using namespace orv;

namespace {

std::string SaveDoc(TkvxXMLDocument& doc) {
  TStringStream out;
  doc.SaveToStream(out);
  return out.DataString();
}

// The first line where two saved texts part, on stderr, so that a failure in a CI log says what
// the second reading changed without the crash file.
[[noreturn]] void FailWithFirstDifference(const std::string& first, const std::string& second) {
  size_t at = 0;
  while (at < first.size() && at < second.size() && first[at] == second[at]) ++at;
  size_t start = first.rfind('\n', at);
  start = start == std::string::npos ? 0 : start + 1;
  auto line = [&](const std::string& s) { return s.substr(start, s.find('\n', at) - start); };
  std::fprintf(stderr, "saving the reread report changed the file:\n- %s\n+ %s\n", line(first).c_str(),
               line(second).c_str());
  std::abort();
}

void LoadEveryItem(TkvxXMLDocument& doc, TkvxXMLItem* item) {
  doc.LoadItem(item);
  for (Integer i = 0; i < item->Count(); ++i) LoadEveryItem(doc, item->Items(i));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);

  TkvxXMLDocument doc;
  bool loaded = true;
  try {
    TStringStream in(input);
    doc.LoadFromStream(&in, false);
  } catch (const TkvxInvalidXMLException&) {
    loaded = false;
  } catch (const EConvertError&) {
    loaded = false;
  }
  if (loaded) {
    // Attribute text is kept raw, so a sloppy tag may not survive a second reading; it must
    // fail cleanly if it does not.
    std::string first = SaveDoc(doc);
    try {
      TkvxXMLDocument again;
      TStringStream in(first);
      again.LoadFromStream(&in, false);
    } catch (const TkvxInvalidXMLException&) {
    } catch (const EConvertError&) {
    }

    TkvxXMLDocument partial;
    partial.LoadFromStream(new TStringStream(input), true);
    if (partial.Root()->Count() > 0) partial.UnloadItem(partial.Root()->Items(0));
    LoadEveryItem(partial, partial.Root());
    SaveDoc(partial);
  }

  kvxRegisterModelClasses();
  TkvxReport report(nullptr);
  report.EngineOptions()->NewSilentMode = simSilent;
  report.EngineOptions()->EnabledLock = true;
  TStringStream in(input);
  report.LoadFromStream(in);
  TStringStream out;
  report.SaveToStream(out);
  TkvxReport reread(nullptr);
  reread.EngineOptions()->NewSilentMode = simSilent;
  reread.EngineOptions()->EnabledLock = true;
  TStringStream back(out.DataString());
  reread.LoadFromStream(back);
  TStringStream again;
  reread.SaveToStream(again);
  if (reread.Errors->Count() == 0 && again.DataString() != out.DataString())
    FailWithFirstDifference(out.DataString(), again.DataString());
  return 0;
}
