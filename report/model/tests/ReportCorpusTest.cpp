// Every file of a folder of report files (the project's own, or $REPORT_CORPUS) loads without
// errors, saves, loads again and saves to the same bytes, and every written file is well-formed
// XML to xmllint. The first save keeps every object and every attribute of the file, each with
// its value, but for those the writer leaves out as the property's default; each element of the
// file has its own element in the save, so an object merged into another is missed (an element
// changing nothing of an object a parent report no longer has may go). A name the file gives two
// objects (a second element naming an object of the parent included) is reported for the one
// kept under a name of its own, and is all the load may report. Both loads hold every value
// alike, and their variables the same values of the same types. Every file runs to the same
// pages twice and once saved and read back. Files named ".bad." must fail with an error
// message; files named ".skip." load with their unknown classes and their values that do not
// convert skipped and reported, and save what the same file without those values saves.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <set>

#include "platform/rtl/TextUtils.h"
#include "platform/rtl/ClassRegistry.h"
#include "report/engine/Engine.h"
#include "report/model/PropertyIndex.h"
#include "report/model/Resources.h"
#include "report/model/Variables.h"
#include "report/model/XmlDocument.h"
#include "report/model/XmlEscape.h"
#include "report/model/XmlItem.h"
#include "report/model/tests/ModelTestSupport.h"

using namespace orv;
using namespace orv::test;

namespace {

std::string CorpusDir() {
  const char* env = std::getenv("REPORT_CORPUS");
  return env && *env ? env : ORVANE_TEST_DATA "/corpus";
}

std::string Save(TkvxReport& report) {
  TStringStream out;
  report.SaveToStream(out);
  return out.DataString();
}

std::string Errors(TkvxReport& report) { return report.Errors->Text(); }

// The text loaded as the file of the given name holds it (its parent report is found beside it),
// and saved.
std::string LoadAndSave(const std::string& text, Integer& errors, const std::string& fileName = "") {
  auto report = QuietReport();
  report->FileName = fileName;
  TStringStream in(text);
  report->LoadFromStream(in);
  errors = report->Errors->Count();
  return Save(*report);
}

// A file without dates of its own gets the time of its loading: two loads differ there only.
std::string WithoutLoadTimes(std::string save) {
  for (const std::string name : {" ReportOptions.CreateDate=\"", " ReportOptions.LastChange=\""}) {
    size_t at = save.find(name);
    if (at == std::string::npos) continue;
    size_t end = save.find('"', at + name.size());
    if (end != std::string::npos) save.erase(at, end + 1 - at);
  }
  return save;
}

// The property a conversion error names at its end, as in "... (HAlign)"; '' for other lines.
std::string NamedProperty(const std::string& line) {
  if (line.size() < 3 || line.back() != ')') return "";
  size_t open = line.rfind(" (");
  return open == std::string::npos ? "" : line.substr(open + 2, line.size() - open - 3);
}

// The file without the attributes whose values could not be applied: each attribute named by an
// error line is dropped when dropping it takes an error away.
std::string WithoutBrokenAttributes(std::string text, const std::vector<std::string>& properties) {
  Integer errors = 0;
  LoadAndSave(text, errors);
  for (const std::string& property : properties) {
    const std::string needle = property + "=\"";
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) {
      // The attribute's own name (or the last part of a dotted one) must be the property.
      char before = at > 0 ? text[at - 1] : ' ';
      if (before != ' ' && before != '.' && before != '\t' && before != '\n') continue;
      size_t start = text.find_last_of(" \t\n", at);
      size_t end = text.find('"', at + needle.size());
      if (start == std::string::npos || end == std::string::npos) continue;
      std::string candidate = text.substr(0, start) + text.substr(end + 1);
      Integer fewer = 0;
      LoadAndSave(candidate, fewer);
      if (fewer < errors) {
        text = std::move(candidate);
        errors = fewer;
        at = start;
      }
    }
  }
  return text;
}

// The attributes of an element, by name without regard to case, unescaped.
std::map<std::string, std::string> Attributes(const TkvxXMLItem& item) {
  std::map<std::string, std::string> out;
  const std::string& text = item.Text;
  for (size_t i = 0; i < text.size();) {
    size_t eq = text.find("=\"", i);
    if (eq == std::string::npos) break;
    size_t end = text.find('"', eq + 2);
    if (end == std::string::npos) break;
    std::string name = Trim(text.substr(i, eq - i));
    out[AnsiUpperCase(name)] = kvxXMLToStr(std::string_view(text).substr(eq + 2, end - eq - 2));
    i = end + 1;
  }
  return out;
}

// Two written forms of one value: the same text, the same number, or the same truth value.
bool SameValue(const std::string& a, const std::string& b) {
  if (a == b) return true;
  auto truth = [](const std::string& v) { return SameText(v, "True") ? 1 : SameText(v, "False") ? 0 : -1; };
  if (truth(a) >= 0 && truth(a) == truth(b)) return true;
  if ((truth(a) >= 0 && (b == "0" || b == "1")) || (truth(b) >= 0 && (a == "0" || a == "1")))
    return truth(a) == (b == "1") || truth(b) == (a == "1");
  char* endA = nullptr;
  char* endB = nullptr;
  double x = std::strtod(a.c_str(), &endA), y = std::strtod(b.c_str(), &endB);
  if (a.empty() || b.empty() || *endA || *endB) return false;
  return std::fabs(x - y) <= 1e-6 * std::max(1.0, std::fabs(x));
}

// The children of saved that stand for the input's children, one each (nullptr for one the save
// lost): the one of the same name, else the one at the same place among those of its element
// name. No saved element stands for two of the input, so an object merged into another of its
// name is missed.
std::vector<const TkvxXMLItem*> Counterparts(const TkvxXMLItem& saved, const TkvxXMLItem& parent) {
  std::vector<const TkvxXMLItem*> out(static_cast<size_t>(parent.Count()), nullptr);
  std::vector<bool> used(static_cast<size_t>(saved.Count()), false);
  auto take = [&](Integer input, Integer s) {
    out[static_cast<size_t>(input)] = saved.Items(s);
    used[static_cast<size_t>(s)] = true;
  };
  for (Integer i = 0; i < parent.Count(); ++i) {
    const String name = parent.Items(i)->Prop("Name");
    if (name.empty()) continue;
    for (Integer k = 0; k < saved.Count(); ++k)
      if (!used[static_cast<size_t>(k)] && SameText(saved.Items(k)->Prop("Name"), name)) {
        take(i, k);
        break;
      }
  }
  for (Integer i = 0; i < parent.Count(); ++i) {
    if (out[static_cast<size_t>(i)]) continue;
    const TkvxXMLItem& child = *parent.Items(i);
    Integer place = 0;
    for (Integer j = 0; j < i; ++j) place += SameText(parent.Items(j)->Name, child.Name) ? 1 : 0;
    for (Integer k = 0; k < saved.Count(); ++k)
      if (SameText(saved.Items(k)->Name, child.Name) && place-- == 0) {
        if (!used[static_cast<size_t>(k)]) take(i, k);
        break;
      }
  }
  return out;
}

// Whether the class publishes the dotted property name: a property the writer does not store is
// not lost by leaving it out, one the class does not know is.
bool Publishes(TClass cls, const std::string& name) {
  size_t from = 0;
  for (size_t dot; cls && (dot = name.find('.', from)) != std::string::npos; from = dot + 1) {
    const TPropInfo* prop = kvxFindProp(cls, std::string_view(name).substr(from, dot - from));
    if (!prop || prop->Kind() != tkClass) return false;
    cls = prop->PropType()->ClassType();
    // A string list is stored as its one text.
    if (cls && cls->InheritsFrom(TStrings::StaticClass())) return name.substr(dot + 1) == "TEXT";
  }
  return cls && (name.substr(from) == "TEXT" || kvxFindProp(cls, std::string_view(name).substr(from)) != nullptr);
}

// Values the model sets from the file its own way: a report keeps its own engine and preview
// settings but for a few of the file's, and dot-matrix objects and pages snap to whole
// character cells (17 pixels or 4.5 millimetres at most).
bool TakenItsOwnWay(const std::string& element, const std::string& name, const std::string& in,
                    const std::string& out) {
  if (name.rfind("ENGINEOPTIONS.", 0) == 0) return name != "ENGINEOPTIONS.CONVERTNULLS" && name != "ENGINEOPTIONS.DOUBLEPASS";
  if (name.rfind("PREVIEWOPTIONS.", 0) == 0)
    for (const char* kept : {"OUTLINEEXPAND", "OUTLINEVISIBLE", "OUTLINEWIDTH", "PAGESINCACHE", "THUMBNAILVISIBLE"})
      if (name == std::string("PREVIEWOPTIONS.") + kept) return false;
  if (name.rfind("PREVIEWOPTIONS.", 0) == 0) return true;
  if (AnsiUpperCase(element).rfind("TKVXDMP", 0) != 0) return false;
  const bool mm = name.rfind("PAPER", 0) == 0 || name.find("MARGIN") != std::string::npos;
  if (!mm && name != "LEFT" && name != "TOP" && name != "WIDTH" && name != "HEIGHT") return false;
  char* endA = nullptr;
  char* endB = nullptr;
  const double a = std::strtod(in.c_str(), &endA), b = std::strtod(out.c_str(), &endB);
  return !in.empty() && !out.empty() && !*endA && !*endB && std::fabs(a - b) <= (mm ? 4.5 : 17);
}

// What the first save lost of the input: objects, attributes and values. An attribute left out
// is a default when the save with every default written holds it with the input's value, or a
// property the writer never stores. The version and the defined-property data (pictures encoded
// anew) are the writer's own.
// Whether the file with the attribute's value replaced by another loads to the same report.
using TSameMeaning = std::function<bool(TkvxXMLItem& item, const std::string& name, const std::string& value)>;

bool IsNumber(const std::string& v) {
  char* end = nullptr;
  std::strtod(v.c_str(), &end);
  return !v.empty() && !*end;
}

// Whether an element holds any attribute but its name, or such a child.
bool ChangesSomething(const TkvxXMLItem& item) {
  for (const auto& attribute : Attributes(item))
    if (attribute.first != "NAME") return true;
  for (Integer i = 0; i < item.Count(); ++i)
    if (ChangesSomething(*item.Items(i))) return true;
  return false;
}

void CompareWithInput(TkvxXMLItem& input, const TkvxXMLItem& saved, const TkvxXMLItem& full,
                      const std::string& path, std::vector<std::string>& lost, const TSameMeaning& sameMeaning,
                      const std::set<std::string>& duplicates) {
  const auto in = Attributes(input), out = Attributes(saved), all = Attributes(full);
  const TClass cls = GetClass(input.Name);
  for (const auto& [name, value] : in) {
    if (name == "VERSION" || name == "PROPDATA" || (name.size() > 9 && name.ends_with(".PROPDATA"))) continue;
    // A second object of a name already taken is kept under a name of its own.
    if (name == "NAME" && duplicates.count(AnsiUpperCase(value))) continue;
    const std::string* kept = nullptr;
    if (auto at = out.find(name); at != out.end()) kept = &at->second;
    else if (auto byDefault = all.find(name); byDefault != all.end()) kept = &byDefault->second;
    if (kept) {
      // A name written for a number (a colour, an enumeration) is the same value when the
      // model reads both alike; two numbers must agree.
      if (!SameValue(value, *kept) && !TakenItsOwnWay(input.Name, name, value, *kept) &&
          !((!IsNumber(value) || !IsNumber(*kept)) && sameMeaning(input, name, *kept)))
        lost.push_back(path + " " + name + "=\"" + value + "\" saved as \"" + *kept + "\"");
      continue;
    }
    // A plain name the class does not know may be a value it works out itself (a page's place
    // and size) or one it reads no more; a dotted one names a part of the object, which the
    // class must have.
    if (!value.empty() && name.find('.') != std::string::npos && !TakenItsOwnWay(input.Name, name, value, "") &&
        !Publishes(cls, name))
      lost.push_back(path + " " + name + "=\"" + value + "\" left out, unknown to " + input.Name);
  }
  const auto savedChildren = Counterparts(saved, input), fullChildren = Counterparts(full, input);
  for (Integer i = 0; i < input.Count(); ++i) {
    TkvxXMLItem& child = *input.Items(i);
    const std::string where = path + "/" + child.Name + "(" + child.Prop("Name") + ")";
    const TkvxXMLItem* s = savedChildren[static_cast<size_t>(i)];
    const TkvxXMLItem* f = fullChildren[static_cast<size_t>(i)];
    if (!s || !f) {
      // An element that changes nothing of an object the parent report no longer has is let go.
      if (!SameText(child.Name, "inherited") || ChangesSomething(child)) lost.push_back(where + " left out");
      continue;
    }
    CompareWithInput(child, *s, *f, where, lost, sameMeaning, duplicates);
  }
}

std::vector<std::string> LostOnSave(const std::string& input, TkvxReport& report, const std::string& first,
                                    const std::set<std::string>& duplicates, const std::string& fileName) {
  TStringStream full;
  report.SaveToStream(full, true, true);
  TkvxXMLDocument in, saved, all;
  TStringStream a(input), b(first), c(full.DataString());
  in.LoadFromStream(&a, false);
  saved.LoadFromStream(&b, false);
  all.LoadFromStream(&c, false);
  auto loadAndSave = [&in, &fileName] {
    TStringStream text;
    in.SaveToStream(text);
    Integer errors = 0;
    return WithoutLoadTimes(LoadAndSave(text.DataString(), errors, fileName));
  };
  std::string baseline;
  TSameMeaning sameMeaning = [&](TkvxXMLItem& item, const std::string& name, const std::string& value) {
    if (baseline.empty()) baseline = loadAndSave();
    const size_t at = kvxFindAttribute(item.Text, name);
    if (at == std::string::npos) return false;
    const std::string written = item.Text.substr(at, name.size());
    const std::string before = item.Prop(written);
    item.SetProp(written, value);
    const bool same = loadAndSave() == baseline;
    item.SetProp(written, before);
    return same;
  };
  std::vector<std::string> lost;
  CompareWithInput(*in.Root(), *saved.Root(), *all.Root(), in.Root()->Name, lost, sameMeaning, duplicates);
  return lost;
}

// The names that more than one element of the file gives, upper-cased: an element naming an
// object of the parent report changes it, and a second one is a name given twice.
void CountNames(const TkvxXMLItem& item, std::map<std::string, int>& count) {
  for (Integer i = 0; i < item.Count(); ++i) {
    const TkvxXMLItem& child = *item.Items(i);
    if (!child.Prop("Name").empty()) ++count[AnsiUpperCase(child.Prop("Name"))];
    CountNames(child, count);
  }
}

std::set<std::string> NamesGivenTwice(const std::string& text) {
  TkvxXMLDocument doc;
  TStringStream in(text);
  doc.LoadFromStream(&in, false);
  std::map<std::string, int> count;
  CountNames(*doc.Root(), count);
  std::set<std::string> out;
  for (const auto& [name, n] : count)
    if (n > 1) out.insert(name);
  return out;
}

// The report's variables, each with its value and the type of its value.
std::string VariablesOf(TkvxReport& report) {
  std::string out;
  for (Integer i = 0; i < report.Variables->Count(); ++i) {
    const TkvxVariable* v = report.Variables->Items(i);
    out += v->Name() + " " + std::to_string(v->Value().VType()) + " " + VarToStr(v->Value()) + "\n";
  }
  return out;
}

// Every value of the report, its defaults included, but the times of its loading.
std::string EveryValue(TkvxReport& report) {
  TStringStream out;
  report.SaveToStream(out, true, true);
  return WithoutLoadTimes(out.DataString());
}

// The prepared pages of a run of the report, each as its objects' values; the errors of a run
// that fails.
std::string RunPages(TkvxReport& report) {
  if (!report.PrepareReport()) return "failed: " + report.Errors->Text();
  std::string pages;
  for (Integer i = 0; i < report.PreviewPages->GetCount(); ++i) {
    TStringStream page;
    report.PreviewPages->GetPage(i)->SaveToStream(page);
    pages += page.DataString();
  }
  return pages;
}

}  // namespace

TEST(ReportCorpus, LoadsSavesAndReloadsEveryFile) {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(CorpusDir()))
    if (entry.is_regular_file()) files.push_back(entry.path().string());
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty()) << "no report files in " << CorpusDir();
  String cantFind = kvxGetResources()->Get("xrCantFindClass");
  for (const std::string& path : files) {
    std::string name = std::filesystem::path(path).filename().string();
    SCOPED_TRACE(name);
    auto report = QuietReport();
    report->LoadFromFile(path);
    if (name.find(".bad.") != std::string::npos) {
      EXPECT_GT(report->Errors->Count(), 0) << "a broken file loaded without a message";
      for (Integer i = 0; i < report->Errors->Count(); ++i) EXPECT_FALSE(report->Errors->Strings(i).empty());
      continue;
    }
    if (name.find(".skip.") != std::string::npos) {
      // Unknown classes and values that do not convert are reported as skipped; unknown
      // properties are passed over in silence.
      std::vector<std::string> properties;
      for (Integer i = 0; i < report->Errors->Count(); ++i) {
        const std::string line = report->Errors->Strings(i);
        if (line.rfind(cantFind + " ", 0) == 0) continue;
        properties.push_back(NamedProperty(line));
        EXPECT_NE(properties.back(), "") << "neither a class nor a value skipped: " << line;
      }
      if (!properties.empty()) {
        std::string clean = WithoutBrokenAttributes(ReadFile(path), properties);
        Integer left = 0;
        std::string cleanSave = LoadAndSave(clean, left);
        auto check = QuietReport();
        TStringStream in(clean);
        check->LoadFromStream(in);
        for (Integer i = 0; i < check->Errors->Count(); ++i)
          EXPECT_EQ(check->Errors->Strings(i).rfind(cantFind + " ", 0), 0u)
              << "left in the file without the broken values: " << check->Errors->Strings(i);
        EXPECT_EQ(WithoutLoadTimes(Save(*report)), WithoutLoadTimes(cleanSave))
            << "the skipped values changed more than themselves";
      }
    }
    // A name given to two objects is said once for each object kept under another name, and
    // is all the file may be told of.
    const std::set<std::string> twice = NamesGivenTwice(ReadFile(path));
    std::set<std::string> said;
    const String duplicate = kvxGetResources()->Get("prDupl") + " ";
    for (Integer i = 0; i < report->Errors->Count(); ++i) {
      const std::string line = report->Errors->Strings(i);
      const size_t colon = line.find(':');
      if (line.rfind(duplicate, 0) == 0 && colon != std::string::npos &&
          twice.count(AnsiUpperCase(line.substr(duplicate.size(), colon - duplicate.size()))))
        said.insert(AnsiUpperCase(line.substr(duplicate.size(), colon - duplicate.size())));
      else if (name.find(".skip.") == std::string::npos)
        ADD_FAILURE() << "loading reported " << line;
    }
    EXPECT_EQ(said, twice) << "a name given twice was not reported";
    std::string first = Save(*report);
    EXPECT_EQ(XmlLint(first), "");
    if (name.find(".skip.") == std::string::npos) {
      for (const std::string& loss : LostOnSave(ReadFile(path), *report, first, twice, path)) ADD_FAILURE() << loss;
    }
    // Read back where it was read from: a child finds its parent beside it.
    auto again = QuietReport();
    again->FileName = path;
    TStringStream in(first);
    again->LoadFromStream(in);
    EXPECT_EQ(Errors(*again), "") << "the saved file does not load cleanly";
    std::string second = Save(*again);
    EXPECT_EQ(first, second) << "saving the reloaded report changed the file";
    EXPECT_EQ(EveryValue(*report), EveryValue(*again)) << "a value changed on its way through the saved file";
    EXPECT_EQ(VariablesOf(*report), VariablesOf(*again)) << "a variable's value or type changed on its way through a file";
  }
}

// A report runs to the same pages twice in a row, and again once saved and read back: neither a
// run nor the file changes what it prints.
TEST(ReportCorpus, EveryFileRunsAlikeTwiceAndOnceSavedAndReloaded) {
  kvxRegisterEngine();
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(CorpusDir()))
    if (entry.is_regular_file() && entry.path().filename().string().find(".bad.") == std::string::npos)
      files.push_back(entry.path().string());
  std::sort(files.begin(), files.end());
  for (const std::string& path : files) {
    SCOPED_TRACE(std::filesystem::path(path).filename().string());
    auto report = QuietReport();
    report->LoadFromFile(path);
    const std::string first = RunPages(*report);
    EXPECT_EQ(RunPages(*report), first) << "a second run printed otherwise";
    auto again = QuietReport();
    again->FileName = path;
    TStringStream in(Save(*report));
    again->LoadFromStream(in);
    EXPECT_EQ(RunPages(*again), first) << "the saved file printed otherwise";
  }
}
