// String resources, the object, property-editor and export-filter registries, and the property
// editors' texts.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Cursors.h"
#include "platform/gui/Menus.h"
#include "platform/rtl/ClassRegistry.h"
#include "report/model/DialogPage.h"
#include "report/model/PropertyEditors.h"
#include "report/model/Registries.h"
#include "report/model/Resources.h"
#include "report/model/tests/ModelTestSupport.h"

using namespace orv;
using namespace orv::test;

TEST(Resources, TablesOverrideKeyByKeyAndMissingKeysShowThemselves) {
  TkvxResources res;
  res.AddXML("<?xml version=\"1.0\" encoding=\"utf-8\"?><Resources CodePage=\"874\">"
             "<StrRes Name=\"clOK\" Text=\"ตกลง\"/><StrRes Name=\"bang\" Text=\"!loud\"/>"
             "<StrRes Name=\"q\" Text=\"say &#38;#34;hi&#38;#34;\"/><Other Name=\"x\" Text=\"y\"/></Resources>");
  EXPECT_EQ(res.CodePage(), 874);
  EXPECT_EQ(res.Get("CLOK"), "ตกลง");
  EXPECT_EQ(res.Get("bang"), "loud");
  EXPECT_EQ(res.Get("q"), "say \"hi\"");
  EXPECT_EQ(res.Get("x"), "x");
  EXPECT_EQ(res.Get("!absent"), "absent");
  res.AddXML("<?xml version=\"1.0\"?><Resources CodePage=\"1252\"><StrRes Name=\"clOK\" Text=\"OK\"/></Resources>");
  EXPECT_EQ(res.Get("clOK"), "OK");
  EXPECT_EQ(res.Get("bang"), "loud");
  res.AddXML("<?xml version=\"1.0\"?><Strings><StrRes Name=\"clOK\" Text=\"no\"/></Strings>");
  EXPECT_EQ(res.Get("clOK"), "OK");
  EXPECT_THROW(res.AddXML("<?xml version=\"1.0\"?><Resources><StrRes Name=\"a\" Text=\"b\"/></Resources>"),
               EConvertError);
  TkvxResources* global = kvxGetResources();
  EXPECT_EQ(global->Get("clErrors"), "The following error(s) have occured:");
  EXPECT_EQ(global->Get("clDSNotExist"), "Dataset \"%s\" does not exist");
  EXPECT_EQ(kvxGetStr(2), "Cancel");
}

TEST(Resources, LanguageFilesAreListedByName) {
  std::string dir = TempFolder("languages");
  for (const char* name : {"THAI.KVC", "english.kvc", "notes.txt"}) WriteFile(dir + "/" + name, "");
  TkvxResources res;
  res.LoadLanguageList(dir);
  EXPECT_EQ(res.Languages().Text(), "English\r\nThai\r\n");
  std::filesystem::remove_all(dir);
}

namespace {

class TNullFilter : public TkvxCustomExportFilter {
 public:
  using TkvxCustomExportFilter::TkvxCustomExportFilter;
  void ExportObject(TkvxComponent*) override {}
};

}  // namespace

TEST(Registries, ObjectsFiltersAndEditors) {
  TkvxObjectCollection objects;
  objects.Register(TTestMemo::StaticClass(), nullptr, "Memo", "", 1);
  objects.Register(TTestMemo::StaticClass(), nullptr, "Memo again", "", 1);
  EXPECT_EQ(objects.Count(), 1);
  objects.Register(TTestMemo::StaticClass(), nullptr, "Memo", "", 2);
  EXPECT_EQ(objects.Count(), 2);
  EXPECT_EQ(objects.GetItem(0)->Category, 2);
  objects.Register(TkvxUserDataSet::StaticClass(), nullptr, "Data", "");
  EXPECT_EQ(objects.GetItem(2)->Category, 1);
  EXPECT_NE(GetClass("TkvxUserDataSet"), nullptr);
  objects.Unregister(TTestMemo::StaticClass());
  EXPECT_EQ(objects.Count(), 1);

  TkvxExportFilterCollection* filters = kvxGetExportFilters();
  Integer before = filters->Count();
  {
    TComponent window(nullptr);
    auto* filter = new TNullFilter(&window);
    EXPECT_EQ(filters->Count(), before + 1);
    EXPECT_EQ(filters->GetItem(before)->Filter, filter);
    filters->Register(filter);
    filters->Register(nullptr);
    EXPECT_EQ(filters->Count(), before + 1);
    EXPECT_TRUE(filter->ShowDialog());
    EXPECT_TRUE(filter->UseFileCache());
    EXPECT_FALSE(filter->OverwritePrompt());
    EXPECT_TRUE(filter->Start());
  }
  EXPECT_EQ(filters->Count(), before);

  TkvxPropertyEditorCollection* editors = kvxGetPropertyEditors();
  ASSERT_EQ(editors->Count(), 11);
  EXPECT_EQ(editors->GetItem(0)->PropertyName, "Name");
  EXPECT_EQ(editors->GetItem(3)->ComponentClass, TFont::StaticClass());
  EXPECT_EQ(editors->EventsEditorIndex, -1);
}

namespace {

class TEdited : public TObject {
 public:
  Integer Value = 0;
};

}  // namespace

TEST(PropertyEditors, ValueTextsAndStepping) {
  RegisterTestClasses();
  TTestMemo memo(nullptr);
  const TPropInfo* tag = GetPropInfo(&memo, "Tag");
  TkvxModalResultProperty modal(nullptr);
  modal.Add(&memo, tag);
  memo.SetTag(10);
  EXPECT_EQ(modal.ValueText(), "mrYesToAll");
  memo.SetTag(11);
  EXPECT_EQ(modal.ValueText(), "11");
  modal.ApplyValueText("MROK");
  EXPECT_EQ(memo.Tag(), 1);
  modal.ApplyValueText("");
  EXPECT_EQ(memo.Tag(), 0);

  TkvxCursorProperty cursor(nullptr);
  cursor.Add(&memo, tag);
  cursor.FillValueList();
  // The list is sorted: crVSplit is last, and stepping past it wraps to crAppStart.
  memo.SetTag(crVSplit);
  EXPECT_EQ(cursor.ValueText(), cursor.Values.Strings(cursor.Values.Count() - 1));
  EXPECT_TRUE(cursor.RunEditor());
  EXPECT_EQ(memo.Tag(), crAppStart);
  EXPECT_EQ(cursor.AttributeFlags(), 11);
  EXPECT_TRUE(cursor.Values.Sorted());

  TkvxShortCutProperty shortcut(nullptr);
  shortcut.Add(&memo, tag);
  shortcut.FillValueList();
  EXPECT_EQ(shortcut.Values.Count(), 109);
  memo.SetTag(scCtrl | 'S');
  EXPECT_EQ(shortcut.ValueText(), "Ctrl+S");
  shortcut.ApplyValueText("Shift+Ctrl+F12");
  EXPECT_EQ(shortcut.ValueText(), "Shift+Ctrl+F12");
  shortcut.ApplyValueText("");
  EXPECT_EQ(memo.Tag(), 0);

  TkvxFontCharsetProperty charset(nullptr);
  charset.Add(memo.Font(), GetPropInfo(memo.Font(), "Charset"));
  charset.ApplyValueText("THAI_CHARSET");
  EXPECT_EQ(memo.Font()->Charset(), 222);
  charset.ApplyValueText("7");
  EXPECT_EQ(charset.ValueText(), "7");

  TkvxClassProperty cls(nullptr);
  cls.Add(&memo, GetPropInfo(&memo, "Font"));
  EXPECT_EQ(cls.ValueText(), "(TFont)");
  TkvxPropertyEditor base(nullptr);
  EXPECT_EQ(base.ValueText(), "(Unknown)");
  EXPECT_FALSE(base.RunEditor());
}

TEST(Resources, EveryEnglishKeyHasItsTextAndWindowsTheirHelpTopics) {
  std::vector<std::string> keys;
  for (int i = 1; i <= 9; ++i) keys.push_back(std::to_string(i));
  for (int i = 100; i <= 142; ++i) keys.push_back(std::to_string(i));
  for (int i = 200; i <= 214; ++i) keys.push_back(std::to_string(i));
  for (int i = 300; i <= 305; ++i) keys.push_back(std::to_string(i));
  for (int i = 400; i <= 414; ++i) keys.push_back(std::to_string(i));
  for (int i = 500; i <= 510; ++i) keys.push_back(std::to_string(i));
  for (const char* k :
       {"150", "151", "152", "zmPageWidth", "zmWholePage", "216", "ppAll", "ppOdd", "ppEven", "pgDefault",
        "pmDefault", "pmSplit", "pmJoin", "pmScale", "poDirect", "poReverse", "mbConfirm", "mbError", "mbInfo",
        "xrCantFindClass", "prVirtual", "prDefault", "prCustom", "enUnconnHeader", "enUnconnGroup",
        "enUnconnGFooter", "enBandPos", "dbNotConn", "dbFldNotFound", "clDSNotIncl", "clUnknownVar", "clScrError",
        "clDSNotExist", "clErrors", "clExprError", "clQPVfiles", "clSaving", "clCancel", "clClose", "clPrinting",
        "clLoading", "clPageOf", "clFirstPass", "clNoPrinters", "clDecompressError", "crFillMx", "crBuildMx",
        "prRunningFirst", "prRunning", "prPrinting", "prExporting", "uCm", "uInch", "uPix", "uChar", "dupDefault",
        "dupVert", "dupHorz", "dupSimpl", "SLangNotFound", "SInvalidLanguage", "SIdRedeclared", "SUnknownType",
        "SIncompatibleTypes", "SIdUndeclared", "SClassRequired", "SIndexRequired", "SStringError", "SClassError",
        "SArrayRequired", "SVarRequired", "SNotEnoughParams", "STooManyParams", "SLeftCantAssigned", "SForError",
        "SEventError", "600", "601"})
    keys.push_back(k);
  ASSERT_EQ(keys.size(), 177u);
  TkvxResources* res = kvxGetResources();
  for (const std::string& key : keys) EXPECT_NE(res->Get(key), key) << "no English text for " << key;

  const String file = res->HelpTopic(nullptr);
  EXPECT_EQ(file.substr(file.size() - 10), "KVUser.chm");
  TkvxDialogPage page(nullptr);
  EXPECT_EQ(res->HelpTopic(&page), file + "::/Dialogue_forms.htm");
  TComponent other(nullptr);
  EXPECT_EQ(res->HelpTopic(&other), file);
}

TEST(Cursors, HandZoomAndFormatAreOurOwnDrawings) {
  RegisterTestClasses();
  struct TExpect {
    TCursor Id;
    int HotX, HotY;
  };
  for (const TExpect& e : {TExpect{150, 16, 16}, TExpect{151, 11, 11}, TExpect{152, 13, 1}}) {
    SCOPED_TRACE(e.Id);
    TBitmap image;
    image.SetTransparentColor(clFuchsia);
    int hotX = -1, hotY = -1;
    ASSERT_TRUE(RegisteredCursor(e.Id, image, hotX, hotY));
    EXPECT_EQ(image.Width(), 32);
    EXPECT_EQ(image.Height(), 32);
    EXPECT_EQ(hotX, e.HotX);
    EXPECT_EQ(hotY, e.HotY);
    int black = 0, white = 0, clear = 0;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) {
        TColor c = image.Canvas().Pixels(x, y);
        black += c == clBlack;
        white += c == clWhite;
        clear += c == clFuchsia;
      }
    // An outline in black around white, on a see-through ground.
    EXPECT_GT(black, 40);
    EXPECT_GT(white, 20);
    EXPECT_GT(clear, 32 * 32 / 3);
  }
  // The hand's palm is under its hot spot; the lens's centre is clear glass, white.
  TBitmap hand, lens;
  int x, y;
  RegisteredCursor(150, hand, x, y);
  RegisteredCursor(151, lens, x, y);
  EXPECT_EQ(hand.Canvas().Pixels(16, 22), clWhite);
  EXPECT_EQ(lens.Canvas().Pixels(6, 6), clWhite);
}
