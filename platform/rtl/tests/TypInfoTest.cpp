#include <gtest/gtest.h>

#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/ObjectHandles.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/TypInfo.h"

namespace orv {

ORV_ENUM(TProbeAlign, paLeft, paRight, paCenter);
ORV_ENUM(TProbeStyle, psBold, psItalic, psUnderline);
using TProbeStyles = TSet<TProbeStyle>;
ORV_SET_INFO(TProbeStyles);

// A component with one property of every kind.
class TProbeBase : public TComponent {
  ORV_CLASS(TProbeBase, TComponent)

 public:
  explicit TProbeBase(TComponent* owner) : TComponent(owner) {}
  double Left() const { return left_; }
  void SetLeft(double v) { left_ = v; }
  TProbeAlign Align() const { return align_; }
  void SetAlign(TProbeAlign v) { align_ = v; }
  bool Visible() const { return visible_; }
  void SetVisible(bool v) { visible_ = v; }

 private:
  double left_ = 0;
  TProbeAlign align_ = paLeft;
  bool visible_ = true;
};

class TProbeMemo : public TProbeBase {
  ORV_CLASS(TProbeMemo, TProbeBase)

 public:
  explicit TProbeMemo(TComponent* owner) : TProbeBase(owner) {}
  const String& Text() const { return text_; }
  void SetText(const String& v) { text_ = v; }
  WideString Wide() const { return wide_; }
  void SetWide(const WideString& v) { wide_ = v; }
  TProbeStyles Styles() const { return styles_; }
  void SetStyles(TProbeStyles v) { styles_ = v; }
  TProbeBase* Link() const { return link_; }
  void SetLink(TProbeBase* v) { link_ = v; }
  Variant Value() const { return value_; }
  void SetValue(const Variant& v) { value_ = v; }
  char Ch() const { return ch_; }
  void SetCh(char v) { ch_ = v; }
  Int64 Big() const { return big_; }
  void SetBig(Int64 v) { big_ = v; }
  Integer Count() const { return 3; }
  Integer Hidden() const { return hidden_; }
  void SetHidden(Integer v) { hidden_ = v; }
  bool IsHiddenStored() const { return hidden_ != 7; }

  std::function<void(TObject*)> OnClick;

 private:
  String text_;
  WideString wide_;
  TProbeStyles styles_{psBold};
  TProbeBase* link_ = nullptr;
  Variant value_;
  char ch_ = 'a';
  Int64 big_ = 0;
  Integer hidden_ = 0;
};

ORV_IMPLEMENT_CLASS(TProbeBase, c) {
  c.Prop("Left", &TProbeBase::Left, &TProbeBase::SetLeft);
  c.Prop("Align", &TProbeBase::Align, &TProbeBase::SetAlign).Default(paLeft);
  c.Prop("Visible", &TProbeBase::Visible, &TProbeBase::SetVisible).Default(true);
}

ORV_IMPLEMENT_CLASS(TProbeMemo, c) {
  c.Prop("Text", &TProbeMemo::Text, &TProbeMemo::SetText);
  // Declared again with another default: keeps its place in the list.
  c.Prop("Visible", &TProbeMemo::Visible, &TProbeMemo::SetVisible).Default(false);
  c.Prop("Wide", &TProbeMemo::Wide, &TProbeMemo::SetWide);
  c.Prop("Styles", &TProbeMemo::Styles, &TProbeMemo::SetStyles).Default(TProbeStyles{psBold});
  c.Prop("Link", &TProbeMemo::Link, &TProbeMemo::SetLink);
  c.Prop("Value", &TProbeMemo::Value, &TProbeMemo::SetValue);
  c.Prop("Ch", &TProbeMemo::Ch, &TProbeMemo::SetCh);
  c.Prop("Big", &TProbeMemo::Big, &TProbeMemo::SetBig).Default(0);
  c.Prop("Count", &TProbeMemo::Count);
  c.Prop("Hidden", &TProbeMemo::Hidden, &TProbeMemo::SetHidden).Stored(&TProbeMemo::IsHiddenStored);
  c.Event("OnClick", &TProbeMemo::OnClick);
}

namespace {

TEST(TypInfo, PropertiesAreListedAncestorsFirstInDeclarationOrder) {
  TProbeMemo memo(nullptr);
  std::vector<String> names;
  for (const TPropInfo* p : GetPropList(&memo)) names.push_back(p->Name());
  EXPECT_EQ(names, (std::vector<String>{"Name", "Tag", "Left", "Align", "Visible", "Text", "Wide",
                                        "Styles", "Link", "Value", "Ch", "Big", "Count", "Hidden",
                                        "OnClick"}));
  EXPECT_EQ(GetPropInfo(&memo, "visible")->DeclaringClass(), TProbeMemo::StaticClass());
  EXPECT_EQ(GetPropInfo(&memo, "LEFT")->DeclaringClass(), TProbeBase::StaticClass());
  EXPECT_EQ(GetPropInfo(&memo, "Nope"), nullptr);

  EXPECT_EQ(PropType(&memo, "Left"), tkFloat);
  EXPECT_EQ(PropType(&memo, "Align"), tkEnumeration);
  EXPECT_EQ(PropType(&memo, "Styles"), tkSet);
  EXPECT_EQ(PropType(&memo, "Text"), tkLString);
  EXPECT_EQ(PropType(&memo, "Wide"), tkWString);
  EXPECT_EQ(PropType(&memo, "Link"), tkClass);
  EXPECT_EQ(PropType(&memo, "Value"), tkVariant);
  EXPECT_EQ(PropType(&memo, "Ch"), tkChar);
  EXPECT_EQ(PropType(&memo, "Big"), tkInt64);
  EXPECT_EQ(PropType(&memo, "Tag"), tkInteger);
  EXPECT_EQ(PropType(&memo, "OnClick"), tkMethod);
  EXPECT_EQ(GetPropInfo(&memo, "Visible")->PropType()->Name(), "Boolean");
  EXPECT_EQ(GetPropInfo(&memo, "Link")->PropType()->Name(), "TProbeBase");
  EXPECT_EQ(GetPropInfo(&memo, "Styles")->PropType()->CompType()->EnumNames(),
            (std::vector<String>{"psBold", "psItalic", "psUnderline"}));
  EXPECT_FALSE(GetPropInfo(&memo, "Count")->IsWritable());
}

TEST(TypInfo, ValuesAreSetAndReadByName) {
  TProbeMemo memo(nullptr);
  SetPropValue(&memo, "left", 12.5);
  EXPECT_EQ(memo.Left(), 12.5);
  EXPECT_EQ(GetFloatProp(&memo, "Left"), 12.5);

  SetPropValue(&memo, "Align", "paCenter");
  EXPECT_EQ(memo.Align(), paCenter);
  EXPECT_EQ(GetPropValue(&memo, "Align"), Variant(2));
  EXPECT_EQ(GetEnumProp(&memo, "Align"), "paCenter");
  SetEnumProp(&memo, "Align", "PARIGHT");
  EXPECT_EQ(memo.Align(), paRight);
  // A damaged file cannot plant an ordinal the enumeration does not have.
  EXPECT_THROW(SetOrdProp(&memo, "Align", 7), EPropertyError);
  EXPECT_THROW(SetPropValue(&memo, "Align", "paNowhere"), EPropertyError);
  EXPECT_EQ(memo.Align(), paRight);

  SetPropValue(&memo, "Visible", false);
  EXPECT_FALSE(memo.Visible());
  EXPECT_EQ(GetPropValue(&memo, "Visible").VType(), varBoolean);
  SetOrdProp(&memo, "Visible", 1);
  EXPECT_TRUE(memo.Visible());

  SetOrdProp(&memo, "Styles", 0b101);
  EXPECT_EQ(memo.Styles(), (TProbeStyles{psBold, psUnderline}));
  EXPECT_THROW(SetOrdProp(&memo, "Styles", 0b1000), EPropertyError);

  SetStrProp(&memo, "Text", "ศีลล้างบาป");
  EXPECT_EQ(memo.Text(), "ศีลล้างบาป");
  SetStrProp(&memo, "Wide", "ก");
  EXPECT_EQ(memo.Wide(), u"ก");
  EXPECT_EQ(GetStrProp(&memo, "Wide"), "ก");
  SetPropValue(&memo, "Ch", "xyz");
  EXPECT_EQ(memo.Ch(), 'x');
  EXPECT_EQ(GetPropValue(&memo, "Ch"), Variant("x"));
  SetInt64Prop(&memo, "Big", Int64{1} << 40);
  EXPECT_EQ(GetPropValue(&memo, "Big"), Variant(Int64{1} << 40));
  SetVariantProp(&memo, "Value", Variant(3.25));
  EXPECT_EQ(GetPropValue(&memo, "Value"), Variant(3.25));
  SetPropValue(&memo, "Tag", 42);
  EXPECT_EQ(memo.Tag(), 42);

  EXPECT_THROW(SetOrdProp(&memo, "Count", 4), EPropertyError);
  EXPECT_THROW(GetOrdProp(&memo, "Text"), EPropertyError);
  try {
    GetPropValue(&memo, "Nope");
    FAIL();
  } catch (const EPropertyError& e) {
    EXPECT_EQ(e.Message(), "Property Nope does not exist");
  }
}

TEST(TypInfo, SetsTravelAsElementNamesAndAsBitMasks) {
  TProbeMemo memo(nullptr);
  EXPECT_EQ(GetSetProp(&memo, "Styles"), "psBold");
  EXPECT_EQ(GetSetProp(&memo, "styles", true), "[psBold]");

  // Blanks, case and order do not matter; the text comes back in the enumeration's order.
  SetSetProp(&memo, "Styles", " [ psUnderline ,PSBOLD ] ");
  EXPECT_EQ(memo.Styles(), (TProbeStyles{psBold, psUnderline}));
  EXPECT_EQ(GetSetProp(&memo, "Styles", true), "[psBold,psUnderline]");
  EXPECT_EQ(GetSetProp(&memo, "Styles"), "psBold,psUnderline");
  SetSetProp(&memo, "Styles", "psItalic");
  EXPECT_EQ(memo.Styles(), (TProbeStyles{psItalic}));

  SetSetProp(&memo, "Styles", "[]");
  EXPECT_TRUE(memo.Styles().Empty());
  EXPECT_EQ(GetSetProp(&memo, "Styles", true), "[]");
  EXPECT_EQ(GetSetProp(&memo, "Styles"), "");
  SetSetProp(&memo, "Styles", "psBold");
  SetSetProp(&memo, "Styles", "");
  EXPECT_TRUE(memo.Styles().Empty());

  // A name the enumeration lacks changes nothing.
  memo.SetStyles({psItalic});
  try {
    SetSetProp(&memo, "Styles", "[psBold,psStrikeOut]");
    FAIL();
  } catch (const EPropertyError& e) {
    EXPECT_EQ(e.Message(), "Invalid property element: psStrikeOut");
  }
  EXPECT_THROW(SetSetProp(&memo, "Styles", "[psBold psItalic]"), EPropertyError);
  EXPECT_THROW(SetSetProp(&memo, "Styles", "[psBold"), EPropertyError);
  EXPECT_EQ(memo.Styles(), (TProbeStyles{psItalic}));
  EXPECT_THROW(GetSetProp(&memo, "Align"), EPropertyError);
  EXPECT_THROW(SetSetProp(&memo, "Align", "paLeft"), EPropertyError);

  // SetPropValue takes the names as text and the mask as a number or as decimal text (the form
  // report files store); GetPropValue gives the mask.
  SetPropValue(&memo, "Styles", "[psItalic, psUnderline]");
  EXPECT_EQ(memo.Styles(), (TProbeStyles{psItalic, psUnderline}));
  EXPECT_EQ(GetPropValue(&memo, "Styles"), Variant(0b110));
  SetPropValue(&memo, "Styles", 0b001);
  EXPECT_EQ(memo.Styles(), (TProbeStyles{psBold}));
  SetPropValue(&memo, "Styles", "5");
  EXPECT_EQ(memo.Styles(), (TProbeStyles{psBold, psUnderline}));
  EXPECT_THROW(SetPropValue(&memo, "Styles", "psNone"), EPropertyError);
  EXPECT_THROW(SetPropValue(&memo, "Styles", "8"), EPropertyError);

  // Every set goes to text and back unchanged, with and without brackets.
  const TTypeInfo* styles = GetPropInfo(&memo, "Styles")->PropType();
  for (Int64 mask = 0; mask < 8; ++mask) {
    EXPECT_EQ(StringToSet(styles, SetToString(styles, mask)), mask);
    EXPECT_EQ(StringToSet(styles, SetToString(styles, mask, true)), mask);
    TProbeMemo copy(nullptr);
    memo.SetStyles(TProbeStyles::FromMask(static_cast<std::uint32_t>(mask)));
    SetPropValue(&copy, "Styles", GetSetProp(&memo, "Styles", true));
    EXPECT_EQ(copy.Styles(), memo.Styles());
  }
  EXPECT_EQ(SetToString(styles, 0b111, true), "[psBold,psItalic,psUnderline]");
}

TEST(TypInfo, ClassPropertiesTakeObjectsOfTheirClassAndTravelAsHandles) {
  TComponent owner(nullptr);
  auto* memo = new TProbeMemo(&owner);
  auto* target = new TProbeBase(&owner);
  SetObjectProp(memo, "Link", target);
  EXPECT_EQ(memo->Link(), target);
  Variant handle = GetPropValue(memo, "Link");
  EXPECT_EQ(HandleToObject(handle.ToInteger()), target);

  SetPropValue(memo, "Link", Variant());
  EXPECT_EQ(memo->Link(), nullptr);
  SetPropValue(memo, "Link", handle);
  EXPECT_EQ(memo->Link(), target);

  TStringList wrongClass;
  EXPECT_THROW(SetObjectProp(memo, "Link", &wrongClass), EPropertyError);
  EXPECT_EQ(memo->Link(), target);
}

TEST(TypInfo, DefaultsAndStoredConditions) {
  TProbeMemo memo(nullptr);
  auto isDefault = [&](const char* name) { return IsDefaultPropValue(&memo, GetPropInfo(&memo, name)); };
  EXPECT_TRUE(isDefault("Align"));
  EXPECT_FALSE(isDefault("Visible"));  // the redeclared default is false
  memo.SetVisible(false);
  EXPECT_TRUE(isDefault("Visible"));
  EXPECT_FALSE(isDefault("Left"));  // floats never equal a default
  EXPECT_TRUE(isDefault("Text"));
  EXPECT_TRUE(isDefault("Styles"));
  memo.SetStyles({});
  EXPECT_FALSE(isDefault("Styles"));
  EXPECT_FALSE(isDefault("Hidden"));  // declared without a default
  EXPECT_TRUE(isDefault("Link"));

  EXPECT_FALSE(IsStoredProp(&memo, "Name"));
  EXPECT_TRUE(IsStoredProp(&memo, "Hidden"));
  memo.SetHidden(7);
  EXPECT_FALSE(IsStoredProp(&memo, "Hidden"));
}

TEST(TypInfo, EventsCarryHandlerNamesAndHandlers) {
  TProbeMemo memo(nullptr);
  EXPECT_EQ(GetMethodProp(&memo, "OnClick"), "");
  SetMethodProp(&memo, "OnClick", "Memo1OnClick");
  EXPECT_EQ(GetPropValue(&memo, "onclick"), Variant("Memo1OnClick"));
  EXPECT_FALSE(IsDefaultPropValue(&memo, GetPropInfo(&memo, "OnClick")));

  TObject* clicked = nullptr;
  const TPropInfo* event = GetPropInfo(&memo, "OnClick");
  event->SetHandler(&memo, std::any(std::function<void(TObject*)>([&](TObject* s) { clicked = s; })));
  memo.OnClick(&memo);
  EXPECT_EQ(clicked, &memo);
  EXPECT_THROW(event->SetHandler(&memo, std::any(5)), EPropertyError);
}

TEST(TypInfo, EnumerationNames) {
  const TTypeInfo* align = TypeInfoOf<TProbeAlign>();
  EXPECT_EQ(align->Name(), "TProbeAlign");
  EXPECT_EQ(GetEnumName(align, 1), "paRight");
  EXPECT_EQ(GetEnumName(align, 3), "");
  EXPECT_EQ(GetEnumValue(align, "pacenter"), 2);
  EXPECT_EQ(GetEnumValue(align, "x"), -1);
  EXPECT_EQ(GetEnumName(TypeInfoOf<bool>(), 1), "True");
  EXPECT_EQ(GetEnumName(TypeInfoOf<TDuplicates>(), dupError), "dupError");
}

TEST(TypInfo, ClassRegistryFindsAndCreatesByName) {
  RegisterClasses({TProbeBase::StaticClass(), TProbeMemo::StaticClass()});
  RegisterClass(TProbeMemo::StaticClass());  // again: nothing happens
  TClassInfo impostor("TPROBEMEMO", TComponent::StaticClass());
  EXPECT_THROW(RegisterClass(&impostor), EFilerError);
  EXPECT_EQ(FindClass("tprobememo"), TProbeMemo::StaticClass());
  EXPECT_EQ(GetClass("TNoSuchClass"), nullptr);
  try {
    FindClass("TNoSuchClass");
    FAIL();
  } catch (const EClassNotFound& e) {
    EXPECT_EQ(e.Message(), "Class TNoSuchClass not found");
  }

  TComponent owner(nullptr);
  TComponent* created = FindClass("TProbeMemo")->CreateComponent(&owner);
  EXPECT_EQ(created->ClassName(), "TProbeMemo");
  EXPECT_EQ(created->Owner(), &owner);
  EXPECT_TRUE(created->InheritsFrom(TComponent::StaticClass()));
  EXPECT_FALSE(created->InheritsFrom(TStringList::StaticClass()));
  EXPECT_EQ(created->ClassParent(), TProbeBase::StaticClass());
  EXPECT_TRUE(dynamic_cast<TProbeMemo*>(created) != nullptr);

  auto list = TStringList::StaticClass()->CreateObject();
  EXPECT_EQ(list->ClassName(), "TStringList");
  EXPECT_THROW(TStream::StaticClass()->CreateObject(), EComponentError);
  EXPECT_THROW(TStringList::StaticClass()->CreateComponent(&owner), EComponentError);

  UnRegisterClass(TProbeMemo::StaticClass());
  EXPECT_EQ(GetClass("TProbeMemo"), nullptr);
  UnRegisterClass(TProbeBase::StaticClass());
}

}  // namespace
}  // namespace orv
