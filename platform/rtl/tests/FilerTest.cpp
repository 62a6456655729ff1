// Component streaming: published and defined properties written as property records read back
// into another object; damaged data is refused with a stream error, never read past its end.
#include <gtest/gtest.h>

#include "platform/rtl/Collection.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/StringList.h"

namespace orv {

ORV_ENUM(TFilerTestKind, fkNone, fkOne, fkTwo);
using TFilerTestKinds = TSet<TFilerTestKind>;
ORV_SET_INFO(TFilerTestKinds);

class TFilerTestItem : public TCollectionItem {
  ORV_CLASS(TFilerTestItem, TCollectionItem)

 public:
  using TCollectionItem::TCollectionItem;
  String Caption;
};

class TFilerTestObject : public TComponent {
  ORV_CLASS(TFilerTestObject, TComponent)

 public:
  explicit TFilerTestObject(TComponent* owner) : TComponent(owner), items(TFilerTestItem::StaticClass()) {}
  Integer Number = 0;
  Int64 Big = 0;
  double Ratio = 0;
  String Text;
  WideString Wide;
  bool Flag = false;
  TFilerTestKind Kind = fkNone;
  TFilerTestKinds Kinds;
  Variant Any;
  TStringList Lines;
  TCollection items;
  TFilerTestObject* Other = nullptr;
  // Defined data: a block of bytes and a number.
  String Blob;
  Integer Extra = 0;

  void DefineProperties(TFiler* filer) override {
    filer->DefineBinaryProperty(
        "Blob", [this](TStream& s) { Blob.resize(static_cast<size_t>(s.Size())); s.ReadBuffer(Blob.data(), s.Size()); },
        [this](TStream& s) { s.WriteString(Blob); }, !Blob.empty());
    filer->DefineProperty(
        "Extra", [this](TReader& r) { Extra = static_cast<Integer>(r.ReadInteger()); },
        [this](TWriter& w) { w.WriteInteger(Extra); }, Extra != 0);
  }
};

ORV_IMPLEMENT_CLASS(TFilerTestItem, c) {
  c.Prop("Caption", [](TFilerTestItem& i) { return i.Caption; }, [](TFilerTestItem& i, const String& v) { i.Caption = v; });
}

ORV_IMPLEMENT_CLASS(TFilerTestObject, c) {
  using T = TFilerTestObject;
  c.Prop("Number", [](T& o) { return o.Number; }, [](T& o, Integer v) { o.Number = v; }).Default(0);
  c.Prop("Big", [](T& o) { return o.Big; }, [](T& o, Int64 v) { o.Big = v; }).Default(0);
  c.Prop("Ratio", [](T& o) { return o.Ratio; }, [](T& o, double v) { o.Ratio = v; });
  c.Prop("Text", [](T& o) { return o.Text; }, [](T& o, const String& v) { o.Text = v; });
  c.Prop("Wide", [](T& o) { return o.Wide; }, [](T& o, const WideString& v) { o.Wide = v; });
  c.Prop("Flag", [](T& o) { return o.Flag; }, [](T& o, bool v) { o.Flag = v; }).Default(false);
  c.Prop("Kind", [](T& o) { return o.Kind; }, [](T& o, TFilerTestKind v) { o.Kind = v; }).Default(fkNone);
  c.Prop("Kinds", [](T& o) { return o.Kinds; }, [](T& o, TFilerTestKinds v) { o.Kinds = v; })
      .Default(TFilerTestKinds());
  c.Prop("Any", [](T& o) { return o.Any; }, [](T& o, const Variant& v) { o.Any = v; });
  c.Prop("Lines", [](T& o) -> TStrings* { return &o.Lines; }, [](T& o, TStrings* v) { o.Lines.Assign(v); });
  c.Prop("Items", [](T& o) -> TCollection* { return &o.items; });
  c.Prop("Other", [](T& o) { return o.Other; }, [](T& o, TFilerTestObject* v) { o.Other = v; });
}

namespace {

void ReadAll(TMemoryStream& data, TPersistent* into, TComponent* root = nullptr) {
  data.SetPosition(0);
  TReader reader(data);
  reader.SetRoot(root);
  reader.BeginReferences();
  while (!reader.AtEnd()) reader.ReadProperty(into);
  reader.FixupReferences();
  reader.EndReferences();
}

}  // namespace

TEST(Filer, PublishedAndDefinedPropertiesRoundTrip) {
  TComponent root(nullptr);
  auto* source = new TFilerTestObject(&root);
  auto* target = new TFilerTestObject(&root);
  target->SetName("Target");
  source->Number = -70000;
  source->Big = INT64_MIN + 5;
  source->Ratio = 0.1;
  source->Text = String(300, 'x') + "ไทย";
  source->Wide = u"กข\U0001F600";
  source->Flag = true;
  source->Kind = fkTwo;
  source->Kinds = {fkNone, fkTwo};
  source->Any = Variant(String("ค่า"));
  source->Lines.SetText("a\r\nบ");
  static_cast<TFilerTestItem*>(source->items.Add())->Caption = "first";
  static_cast<TFilerTestItem*>(source->items.Add())->Caption = "สอง";
  source->Other = target;
  source->Blob = std::string("\0\1\2", 3);
  source->Extra = 42;
  TMemoryStream data;
  {
    TWriter writer(data);
    writer.WriteProperties(source);
  }
  auto* copy = new TFilerTestObject(&root);
  ReadAll(data, copy, &root);
  EXPECT_EQ(copy->Number, -70000);
  EXPECT_EQ(copy->Big, INT64_MIN + 5);
  EXPECT_EQ(copy->Ratio, 0.1);
  EXPECT_EQ(copy->Text, source->Text);
  EXPECT_EQ(copy->Wide, source->Wide);
  EXPECT_TRUE(copy->Flag);
  EXPECT_EQ(copy->Kind, fkTwo);
  EXPECT_EQ(copy->Kinds, source->Kinds);
  EXPECT_EQ(copy->Any.ToString(), "ค่า");
  EXPECT_EQ(copy->Lines.Text(), source->Lines.Text());
  ASSERT_EQ(copy->items.Count(), 2);
  EXPECT_EQ(static_cast<TFilerTestItem*>(copy->items.Items(1))->Caption, "สอง");
  EXPECT_EQ(copy->Other, target);
  EXPECT_EQ(copy->Blob, source->Blob);
  EXPECT_EQ(copy->Extra, 42);
}

TEST(Filer, DamagedDataIsRefusedWithoutReadingPastTheEnd) {
  TComponent root(nullptr);
  TFilerTestObject source(nullptr);
  source.Text = "some text";
  source.Kind = fkOne;
  source.Extra = 1000;
  TMemoryStream data;
  {
    TWriter writer(data);
    writer.WriteProperties(&source);
  }
  // Every cut of the stream either reads cleanly up to the cut or raises EReadError.
  for (Int64 cut = 1; cut < data.Size(); ++cut) {
    TMemoryStream part;
    part.Write(data.Memory(), cut);
    TFilerTestObject target(nullptr);
    try {
      ReadAll(part, &target);
    } catch (const EReadError&) {
    } catch (const EPropertyError&) {
    }
  }
  // A length far beyond the data.
  TMemoryStream huge;
  {
    TWriter w(huge);
    w.WritePropName("Text");
    w.WriteValue(vaLString);
    std::uint32_t n = 0x7FFFFFFF;
    huge.WriteBuffer(&n, 4);
  }
  TFilerTestObject target(nullptr);
  EXPECT_THROW(ReadAll(huge, &target), EReadError);
  // An enumeration name the type does not have.
  TMemoryStream bad;
  {
    TWriter w(bad);
    w.WritePropName("Kind");
    w.WriteIdent("fkNine");
  }
  EXPECT_THROW(ReadAll(bad, &target), EReadError);
  EXPECT_EQ(target.Kind, fkNone);
}

}  // namespace orv
