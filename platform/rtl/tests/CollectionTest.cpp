#include <gtest/gtest.h>

#include "platform/rtl/Collection.h"
#include "platform/rtl/Component.h"

namespace orv {

// A collection item with one value, as report variables and data-set items have.
class TProbeItem : public TCollectionItem {
  ORV_CLASS(TProbeItem, TCollectionItem)

 public:
  explicit TProbeItem(TCollection* collection) : TCollectionItem(collection) {}
  const String& Value() const { return value_; }
  void SetValue(const String& v) {
    value_ = v;
    Changed(false);
  }
  void Assign(TPersistent* source) override {
    if (auto* other = dynamic_cast<TProbeItem*>(source))
      value_ = other->value_;
    else
      TCollectionItem::Assign(source);
  }

 private:
  String value_;
};

// Counts the collection's change notices.
class TProbeCollection : public TCollection {
 public:
  explicit TProbeCollection(TPersistent* owner) : TCollection(TProbeItem::StaticClass(), owner) {}
  std::vector<TCollectionItem*> updates;

 protected:
  void Update(TCollectionItem* item) override { updates.push_back(item); }
};

// A component that publishes a collection.
class TProbeHolder : public TComponent {
  ORV_CLASS(TProbeHolder, TComponent)

 public:
  explicit TProbeHolder(TComponent* owner) : TComponent(owner), items_(this) {}
  TProbeCollection* Items() { return &items_; }

 private:
  TProbeCollection items_;
};

ORV_IMPLEMENT_CLASS(TProbeItem, c) { c.Prop("Value", &TProbeItem::Value, &TProbeItem::SetValue); }
ORV_IMPLEMENT_CLASS(TProbeHolder, c) { c.Prop("Items", &TProbeHolder::Items); }

namespace {

String Values(const TCollection& c) {
  String s;
  for (Integer i = 0; i < c.Count(); ++i) s += static_cast<TProbeItem*>(c.Items(i))->Value() + ";";
  return s;
}

TEST(Collection, ItemsAreAddedMovedDeletedAndNumbered) {
  TProbeHolder holder(nullptr);
  holder.SetName("Report1");
  TProbeCollection& c = *holder.Items();
  EXPECT_EQ(c.ItemClass(), TProbeItem::StaticClass());
  auto* a = static_cast<TProbeItem*>(c.Add());
  auto* b = static_cast<TProbeItem*>(c.Add());
  auto* first = static_cast<TProbeItem*>(c.Insert(0));
  a->SetValue("a");
  b->SetValue("b");
  first->SetValue("first");
  EXPECT_EQ(Values(c), "first;a;b;");
  EXPECT_EQ(first->Index(), 0);
  EXPECT_EQ(first->ID(), 2);
  EXPECT_EQ(c.FindItemID(1), b);
  EXPECT_EQ(first->Collection(), &c);
  EXPECT_EQ(b->GetNamePath(), "Report1.Items[2]");
  EXPECT_EQ(b->DisplayName(), "TProbeItem");

  b->SetIndex(0);
  EXPECT_EQ(Values(c), "b;first;a;");
  EXPECT_THROW(b->SetIndex(3), EListError);
  c.Delete(1);
  EXPECT_EQ(Values(c), "b;a;");
  delete a;  // an item freed directly leaves its collection
  EXPECT_EQ(Values(c), "b;");
  EXPECT_EQ(c.Add()->ID(), 3);  // IDs are never reused
  EXPECT_THROW(c.Items(2), EListError);
  EXPECT_THROW(c.Insert(5), EListError);

  // An item taken out of its collection belongs to the caller.
  std::unique_ptr<TCollectionItem> taken(c.Items(0));
  taken->SetCollection(nullptr);
  EXPECT_EQ(c.Count(), 1);
  EXPECT_EQ(taken->Index(), -1);
  c.Clear();
  EXPECT_EQ(c.Count(), 0);
}

TEST(Collection, ChangesAreReportedOnceForABatch) {
  TProbeCollection c(nullptr);
  auto* item = static_cast<TProbeItem*>(c.Add());
  c.updates.clear();
  item->SetValue("x");
  EXPECT_EQ(c.updates, (std::vector<TCollectionItem*>{item}));
  c.updates.clear();
  c.BeginUpdate();
  c.Add();
  c.Add();
  item->SetValue("y");
  EXPECT_TRUE(c.updates.empty());
  c.EndUpdate();
  EXPECT_EQ(c.updates, (std::vector<TCollectionItem*>{nullptr}));
  c.EndUpdate();  // an unmatched EndUpdate is harmless
  EXPECT_EQ(c.UpdateCount(), 0);
}

TEST(Collection, AssignCopiesTheItems) {
  TProbeCollection source(nullptr), dest(nullptr);
  static_cast<TProbeItem*>(source.Add())->SetValue("ศีลมหาสนิท");
  static_cast<TProbeItem*>(source.Add())->SetValue("2");
  dest.Add();
  dest.Assign(&source);
  EXPECT_EQ(Values(dest), "ศีลมหาสนิท;2;");
  dest.Assign(&dest);
  EXPECT_EQ(dest.Count(), 2);
  TComponent notACollection(nullptr);
  EXPECT_THROW(dest.Assign(&notACollection), EConvertError);
}

}  // namespace
}  // namespace orv
