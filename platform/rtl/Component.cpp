#include "platform/rtl/Component.h"

#include <algorithm>
#include <unordered_set>
#include <vector>

#include "platform/rtl/TextUtils.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TComponent, c) {
  c.Prop("Name", &TComponent::Name, &TComponent::SetName).Stored(false);
  c.Prop("Tag", &TComponent::Tag, &TComponent::SetTag).Default(0);
}

bool IsValidIdent(const String& name) {
  if (name.empty()) return false;
  auto alpha = [](char ch) {
    return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || ch == '_';
  };
  if (!alpha(name[0])) return false;
  return std::all_of(name.begin() + 1, name.end(),
                     [&](char ch) { return alpha(ch) || (ch >= '0' && ch <= '9'); });
}

TComponent::TComponent(TComponent* owner) {
  if (owner) owner->InsertComponent(this);
}

TComponent::TComponent(TComponent* owner, bool announcedAlways) : announcedAlways_(announcedAlways) {
  if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  // Both sides of every free-notification link are cut before the peer hears of it, so a peer
  // whose Notification does not call the base cannot keep a dangling entry.
  while (!freeNotifies_.empty()) {
    TComponent* peer = freeNotifies_.back();
    freeNotifies_.pop_back();
    std::erase(peer->freeNotifies_, this);
    peer->Notification(this, opRemove);
  }
  DestroyComponents();
  if (owner_) owner_->RemoveComponent(this);
}

TComponent* TComponent::Components(Integer index) const {
  if (index < 0 || index >= ComponentCount())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return components_[static_cast<size_t>(index)];
}

Integer TComponent::ComponentIndex() const {
  if (!owner_) return -1;
  auto& list = owner_->components_;
  return static_cast<Integer>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TComponent::SetComponentIndex(Integer index) {
  if (!owner_) return;
  auto& list = owner_->components_;
  Integer current = ComponentIndex();
  index = std::clamp<Integer>(index, 0, static_cast<Integer>(list.size()) - 1);
  if (index == current) return;
  list.erase(list.begin() + current);
  list.insert(list.begin() + index, this);
}

void TComponent::SetName(const String& name) {
  if (name == name_) return;
  if (!name.empty() && !IsValidIdent(name))
    throw EComponentError("'" + name + "' is not a valid component name");
  if (owner_)
    owner_->ValidateRename(this, name_, name);
  else
    ValidateRename(nullptr, name_, name);
  name_ = name;
}

void TComponent::ValidateRename(TComponent* component, const String& curName,
                                const String& newName) const {
  if (component && !SameText(curName, newName) && component->owner_ == this &&
      FindComponent(newName))
    throw EComponentError("A component named " + newName + " already exists");
}

void TComponent::SetComponentStateFlag(TComponentStateFlag flag, bool on) {
  if (on)
    state_.Include(flag);
  else
    state_.Exclude(flag);
}

void TComponent::SetDesigning(bool value) {
  SetComponentStateFlag(csDesigning, value);
  for (TComponent* c : components_) c->SetDesigning(value);
}

TComponent* TComponent::FindComponent(const String& name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : components_)
    if (SameText(c->name_, name)) return c;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
  // Only a component that owns others can be among this one's owners: a new one joins at once
  // however long the chain of owners above it.
  if (component == this) throw EComponentError("A component cannot own itself");
  if (!component->components_.empty())
    for (const TComponent* o = owner_; o; o = o->owner_)
      if (o == component) throw EComponentError("A component cannot own itself");
  // Checked before the component leaves its old owner, so a clash leaves it where it was.
  if (TComponent* same = FindComponent(component->name_); same && same != component)
    throw EComponentError("A component named " + component->name_ + " already exists");
  if (component->owner_) component->owner_->RemoveComponent(component);
  Insert(component);
  if (state_.Contains(csDesigning)) component->SetDesigning(true);
  if (component->Announced()) Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  if (component->owner_ != this) return;
  Remove(component);
  if (component->Announced()) Notification(component, opRemove);
}

void TComponent::Insert(TComponent* component) {
  components_.push_back(component);
  component->owner_ = this;
}

void TComponent::Remove(TComponent* component) {
  // Searched from the end: owners free their components last first, so this stays cheap for
  // an owner of many thousands.
  auto it = std::find(components_.rbegin(), components_.rend(), component);
  if (it != components_.rend()) components_.erase(std::next(it).base());
  component->owner_ = nullptr;
}

namespace {
// How many DestroyComponents calls are under way on this thread, each inside the destructor of
// the owner before it.
constinit thread_local int destroyDepth = 0;
// Past this many owners freeing one another, the rest of a chain is freed from its far end.
constexpr int kNestedDestroyLimit = 256;
}  // namespace

void TComponent::DestroyComponents() {
  ++destroyDepth;
  struct Leave {
    ~Leave() { --destroyDepth; }
  } leave;
  // Last first, and each one's departure is announced while the rest still stand, so that a
  // component referring to a sibling that goes first can let go of it.
  if (destroyDepth <= kNestedDestroyLimit) {
    while (!components_.empty()) FreeComponent(components_.back());
    return;
  }
  // Deep down a chain of owners, the last component of the last component ... goes first, then
  // its owner once it owns nothing more, so that nothing freed frees anything of its own and
  // the native stack stays flat for chains of any length.
  TComponent* next = components_.empty() ? nullptr : components_.back();
  while (next) {
    while (!next->components_.empty()) next = next->components_.back();
    TComponent* owner = next->owner_;
    FreeComponent(next);
    if (owner != this) next = owner->components_.empty() ? owner : owner->components_.back();
    else next = components_.empty() ? nullptr : components_.back();
  }
}

void TComponent::FreeComponent(TComponent* component) {
  component->BeforeDestruction();
  component->owner_->RemoveComponent(component);
  delete component;
}

void TComponent::Destroying() {
  if (state_.Contains(csDestroying)) return;
  // Most components own nothing: no list of pending ones for them.
  if (components_.empty()) {
    state_.Include(csDestroying);
    return;
  }
  std::vector<TComponent*> pending{this};
  while (!pending.empty()) {
    TComponent* c = pending.back();
    pending.pop_back();
    if (c->state_.Contains(csDestroying)) continue;
    c->state_.Include(csDestroying);
    pending.insert(pending.end(), c->components_.begin(), c->components_.end());
  }
}

void TComponent::FreeNotification(TComponent* component) {
  if (!component || component == this) return;
  if (!owner_ || component->owner_ != owner_) {
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end()) {
      freeNotifies_.push_back(component);
      component->FreeNotification(this);
    }
  }
  state_.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  std::erase(freeNotifies_, component);
  if (component) std::erase(component->freeNotifies_, this);
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component) RemoveFreeNotification(component);
  // A handler may free components of this one; walk down and re-clamp.
  Integer i = ComponentCount() - 1;
  while (i >= 0) {
    components_[static_cast<size_t>(i)]->Notification(component, operation);
    --i;
    if (i >= ComponentCount()) i = ComponentCount() - 1;
  }
}

void TComponent::Loaded() { state_.Exclude(csLoading); }

String TComponent::GetNamePath() const { return name_; }

String TComponent::EventHandlerName(const String& event) const {
  for (const auto& [e, handler] : eventNames_)
    if (SameText(e, event)) return handler;
  return String();
}

void TComponent::SetEventHandlerName(const String& event, const String& handlerName) {
  auto it = std::find_if(eventNames_.begin(), eventNames_.end(),
                         [&](const auto& p) { return SameText(p.first, event); });
  if (it != eventNames_.end()) eventNames_.erase(it);
  if (!handlerName.empty()) eventNames_.emplace_back(event, handlerName);
}

bool ComponentWithin(const TComponent* inner, const TComponent* outer) {
  if (!inner || !outer) return false;
  // Each component has up to two above it, so the ways up may meet again: each is walked once.
  std::vector<const TComponent*> pending{inner};
  std::unordered_set<const TComponent*> seen{inner};
  while (!pending.empty()) {
    const TComponent* c = pending.back();
    pending.pop_back();
    if (c == outer) return true;
    for (const TComponent* above : {c->Owner(), c->GetParentComponent()})
      if (above && seen.insert(above).second) pending.push_back(above);
  }
  return false;
}

}  // namespace orv
