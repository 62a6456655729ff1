#include <gtest/gtest.h>

#include "platform/rtl/Component.h"
#include "platform/rtl/ObjectHandles.h"
#include "platform/rtl/StringList.h"

namespace orv {
namespace {

// Records what it is told and lets go of a watched component when it is removed.
class TWatcher : public TComponent {
 public:
  explicit TWatcher(TComponent* owner, std::vector<String>* log = nullptr)
      : TComponent(owner), log_(log) {}
  ~TWatcher() override { DestroyComponents(); }
  TComponent* watched = nullptr;

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (log_ && component != this)
      log_->push_back(Name() + (operation == opInsert ? " +" : " -") + component->Name());
    if (operation == opRemove && component == watched) watched = nullptr;
  }

 private:
  std::vector<String>* log_;
};

// Counts its own destruction.
class TCounted : public TComponent {
 public:
  TCounted(TComponent* owner, int* freed) : TComponent(owner), freed_(freed) {}
  ~TCounted() override { ++*freed_; }

 private:
  int* freed_;
};

TEST(Component, FreeingTheOwnerFreesItsComponentsAndStalesTheirHandles) {
  int freed = 0;
  auto owner = std::make_unique<TComponent>(nullptr);
  auto* a = new TCounted(owner.get(), &freed);
  auto* b = new TCounted(owner.get(), &freed);
  auto* grandchild = new TCounted(b, &freed);
  a->SetName("A");
  b->SetName("B");
  EXPECT_EQ(owner->ComponentCount(), 2);
  EXPECT_EQ(owner->Components(1), b);
  EXPECT_EQ(b->ComponentIndex(), 1);
  EXPECT_EQ(grandchild->Owner(), b);
  EXPECT_EQ(owner->FindComponent("b"), b);
  EXPECT_EQ(owner->FindComponent(""), nullptr);

  Integer handleA = ObjectToHandle(a);
  Integer handleGrandchild = ObjectToHandle(grandchild);
  EXPECT_EQ(HandleToObject(handleA), a);

  delete b;  // frees its own component and leaves the owner
  EXPECT_EQ(freed, 2);
  EXPECT_EQ(owner->ComponentCount(), 1);
  EXPECT_THROW(HandleToObject(handleGrandchild), EInvalidPointer);

  owner.reset();
  EXPECT_EQ(freed, 3);
  EXPECT_THROW(HandleToObject(handleA), EInvalidPointer);
}

// Records, in BeforeDestruction, a member only the derived class has.
class TLastWords : public TComponent {
 public:
  TLastWords(TComponent* owner, std::vector<String>* said, String words)
      : TComponent(owner), said_(said), words_(std::move(words)) {}
  void BeforeDestruction() override { said_->push_back(words_); }

 private:
  std::vector<String>* said_;
  String words_;
};

// A chain of owners far longer than the native stack holds frames for is built and freed
// from its root; every link goes, and a link cannot be made an owner of its owners.
TEST(Component, AChainOfOwnersOfAnyLengthIsFreedFromItsRoot) {
  int freed = 0;
  auto* root = new TCounted(nullptr, &freed);
  TComponent* last = root;
  for (int i = 0; i < 100000; ++i) last = new TCounted(last, &freed);
  EXPECT_THROW(last->InsertComponent(root), EComponentError);
  EXPECT_THROW(root->Components(0)->InsertComponent(root), EComponentError);
  EXPECT_EQ(root->ComponentCount(), 1);
  delete root;
  EXPECT_EQ(freed, 100001);
}

TEST(Component, OwnerAndFreeRunBeforeDestructionWhileTheObjectIsWhole) {
  std::vector<String> said;
  auto owner = std::make_unique<TComponent>(nullptr);
  new TLastWords(owner.get(), &said, "first");
  new TLastWords(owner.get(), &said, "second");
  auto* freed = new TLastWords(nullptr, &said, "freed");
  freed->Free();
  EXPECT_EQ(said, (std::vector<String>{"freed"}));
  owner.reset();
  EXPECT_EQ(said, (std::vector<String>{"freed", "second", "first"}));
}

TEST(Component, FreeNotificationTellsTheOtherSideAndUnlinksBoth) {
  std::vector<String> log;
  auto form1 = std::make_unique<TComponent>(nullptr);
  auto form2 = std::make_unique<TComponent>(nullptr);
  auto* watcher = new TWatcher(form1.get(), &log);
  watcher->SetName("Watcher");
  auto* target = new TComponent(form2.get());
  target->SetName("Target");
  watcher->watched = target;
  target->FreeNotification(watcher);
  EXPECT_TRUE(target->ComponentState().Contains(csFreeNotification));

  delete target;
  EXPECT_EQ(watcher->watched, nullptr);
  EXPECT_EQ(log, (std::vector<String>{"Watcher -Target"}));

  // The link is cut both ways: freeing the watcher first leaves nothing dangling in the target.
  auto* target2 = new TComponent(form2.get());
  target2->FreeNotification(watcher);
  delete watcher;
  delete target2;

  // Removing the request means no news.
  log.clear();
  auto* watcher3 = new TWatcher(form1.get(), &log);
  auto* target3 = new TComponent(form2.get());
  target3->FreeNotification(watcher3);
  target3->RemoveFreeNotification(watcher3);
  delete target3;
  EXPECT_TRUE(log.empty());
}

TEST(Component, SiblingsHearOfInsertionsAndRemovalsThroughTheOwner) {
  std::vector<String> log;
  auto form = std::make_unique<TComponent>(nullptr);
  auto* watcher = new TWatcher(form.get(), &log);
  watcher->SetName("W");
  auto* query = new TComponent(form.get());
  query->SetName("Query1");  // named after insertion, so the log shows the empty name
  watcher->watched = query;
  delete query;
  EXPECT_EQ(watcher->watched, nullptr);
  EXPECT_EQ(log, (std::vector<String>{"W +", "W -Query1"}));

  // While the form is freed, a component freed first is announced to the ones still standing.
  log.clear();
  auto* late = new TComponent(form.get());
  late->SetName("Late");
  watcher->watched = late;
  form.reset();
  EXPECT_EQ(log, (std::vector<String>{"W +", "W -Late"}));
}

TEST(Component, NamesAreIdentifiersUniqueWithinTheOwner) {
  TComponent form(nullptr);
  auto* a = new TComponent(&form);
  auto* b = new TComponent(&form);
  a->SetName("Button1");
  try {
    b->SetName("BUTTON1");
    FAIL();
  } catch (const EComponentError& e) {
    EXPECT_EQ(e.Message(), "A component named BUTTON1 already exists");
  }
  EXPECT_EQ(b->Name(), "");
  a->SetName("BUTTON1");  // its own name in other letters is no clash
  EXPECT_EQ(a->Name(), "BUTTON1");
  try {
    b->SetName("1st");
    FAIL();
  } catch (const EComponentError& e) {
    EXPECT_EQ(e.Message(), "'1st' is not a valid component name");
  }
  EXPECT_THROW(b->SetName("ปุ่ม"), EComponentError);
  b->SetName("_Edit_2");
  EXPECT_EQ(form.FindComponent("_edit_2"), b);
  b->SetName("");
  EXPECT_EQ(b->Name(), "");

  // Moving into another owner checks the name there.
  TComponent other(nullptr);
  auto* clash = new TComponent(&other);
  clash->SetName("Button1");
  EXPECT_THROW(other.InsertComponent(a), EComponentError);
  EXPECT_EQ(a->Owner(), &form);
  clash->SetName("Other");
  other.InsertComponent(a);
  EXPECT_EQ(a->Owner(), &other);
  EXPECT_EQ(form.ComponentCount(), 1);

  EXPECT_THROW(a->InsertComponent(&other), EComponentError);
  EXPECT_THROW(a->InsertComponent(a), EComponentError);
  EXPECT_THROW(form.Components(5), EListError);
  try {
    form.Components(-1);
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (-1)");
  }

  other.RemoveComponent(a);
  std::unique_ptr<TComponent> released(a);
  EXPECT_EQ(a->Owner(), nullptr);
  EXPECT_EQ(other.ComponentCount(), 1);
}

TEST(Component, StateIndexAndTag) {
  TComponent form(nullptr);
  auto* a = new TComponent(&form);
  auto* b = new TComponent(&form);
  auto* c = new TComponent(&form);
  c->SetComponentIndex(0);
  EXPECT_EQ(form.Components(0), c);
  EXPECT_EQ(form.Components(2), b);
  a->SetComponentIndex(99);
  EXPECT_EQ(form.Components(2), a);

  form.SetDesigning(true);
  EXPECT_TRUE(b->ComponentState().Contains(csDesigning));
  auto* d = new TComponent(&form);
  EXPECT_TRUE(d->ComponentState().Contains(csDesigning));

  d->SetComponentStateFlag(csLoading, true);
  d->Loaded();
  EXPECT_FALSE(d->ComponentState().Contains(csLoading));
  d->SetTag(-5);
  EXPECT_EQ(d->Tag(), -5);
  d->SetName("D");
  EXPECT_EQ(d->GetNamePath(), "D");
}

TEST(Component, AssignBetweenUnrelatedClassesIsRefused) {
  TStringList list;
  TComponent component(nullptr);
  try {
    list.Assign(&component);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TComponent to a TStringList");
  }
  try {
    list.Assign(nullptr);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a nil to a TStringList");
  }
}

}  // namespace
}  // namespace orv
