#pragma once
// TComponent: named objects that own other components and free them with themselves.
#include <functional>
#include <vector>

#include "platform/rtl/Persistent.h"
#include "platform/rtl/Set.h"

namespace orv {

enum TOperation { opInsert, opRemove };
ORV_ENUM_INFO(TOperation, opInsert, opRemove);

ORV_ENUM(TComponentStateFlag, csLoading, csReading, csWriting, csDestroying, csDesigning,
         csAncestor, csUpdating, csFixups, csFreeNotification, csInline, csDesignInstance);
using TComponentState = TSet<TComponentStateFlag>;
ORV_SET_INFO(TComponentState);

// A named object in an ownership tree. A component is created with its owner, which frees it;
// one without an owner belongs to whoever created it (std::unique_ptr).
//
// Destruction order trap: ~TComponent frees the owned components after the derived classes'
// destructors have run. A class whose owned components reach back into its own members while
// they are freed calls DestroyComponents() first thing in its own destructor.
class TComponent : public TPersistent {
  ORV_CLASS(TComponent, TPersistent)

 public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;

  TComponent* Owner() const { return owner_; }
  // The component that frees this one with itself besides its owner (a control's parent);
  // nullptr when none.
  virtual TComponent* GetParentComponent() const { return nullptr; }
  Integer ComponentCount() const { return static_cast<Integer>(components_.size()); }
  // EListError "List index out of bounds (%d)" outside 0..ComponentCount-1.
  TComponent* Components(Integer index) const;
  // The position in the owner's list; -1 without an owner.
  Integer ComponentIndex() const;
  void SetComponentIndex(Integer index);

  const String& Name() const { return name_; }
  // EComponentError "'%s' is not a valid component name" for a name that is not an identifier,
  // "A component named %s already exists" for a name another component of the owner has
  // (compared case-blind). The empty name is always allowed.
  virtual void SetName(const String& name);
  Integer Tag() const { return tag_; }
  void SetTag(Integer tag) { tag_ = tag; }

  TComponentState ComponentState() const { return state_; }
  // Set by the streaming code around reading and writing, and by design tools.
  void SetComponentStateFlag(TComponentStateFlag flag, bool on);
  // csDesigning on this component and every component it owns.
  void SetDesigning(bool value);

  // Case-blind among the owned components; nullptr when none or name is empty.
  TComponent* FindComponent(const String& name) const;
  // Takes component from its current owner (if any) into this one; notifies opInsert.
  void InsertComponent(TComponent* component);
  // Releases component (it then has no owner and is not freed by this one); notifies opRemove.
  void RemoveComponent(TComponent* component);
  // Frees every owned component, last first.
  void DestroyComponents();
  // Marks this component and its owned ones csDestroying.
  void Destroying();

  // component will be told (Notification opRemove) when this component is freed, and this
  // one when component is freed. Components of the same owner are told through the owner.
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

  // Called after the component's properties have been read; clears csLoading.
  virtual void Loaded();
  String GetNamePath() const override;

  // The names of the handlers of published events, as report files store them.
  String EventHandlerName(const String& event) const;
  void SetEventHandlerName(const String& event, const String& handlerName);

 protected:
  // Told when component is inserted or removed anywhere in the owner tree of this one and when a
  // component this one asked for free notification is freed. Forward to the base: it passes the
  // news on to the owned components.
  virtual void Notification(TComponent* component, TOperation operation);
  // Raises the name errors of SetName; component is renamed from curName to newName.
  virtual void ValidateRename(TComponent* component, const String& curName,
                              const String& newName) const;
  TPersistent* GetOwner() const override { return owner_; }

  // For a kind of component that others refer to only after asking (FreeNotification): its
  // owner tells its other components (and they theirs) of one coming or leaving only when
  // someone asked, so that thousands join and leave a form without each being told of all the
  // others.
  TComponent(TComponent* owner, bool announcedAlways);

 private:
  // Whether the owner tells its components that this one comes or leaves, so that those
  // referring to it let go.
  bool Announced() const { return announcedAlways_ || state_.Contains(csFreeNotification); }
  void Insert(TComponent* component);
  void Remove(TComponent* component);
  // Announces, takes out and frees one of the components this one or one of them owns.
  static void FreeComponent(TComponent* component);

  TComponent* owner_ = nullptr;
  std::vector<TComponent*> components_;  // owned
  std::vector<TComponent*> freeNotifies_;  // not owned; each one lists this one too
  String name_;
  Integer tag_ = 0;
  TComponentState state_;
  std::vector<std::pair<String, String>> eventNames_;
  bool announcedAlways_ = true;
};

// True for a name the class library accepts as an identifier: a letter or "_", then letters,
// digits or "_" (ASCII).
bool IsValidIdent(const String& name);

// Whether freeing outer frees inner: inner is outer or lies below it through owners and parent
// components in any mixture. A component put below one that lies below it would be freed twice.
bool ComponentWithin(const TComponent* inner, const TComponent* outer);

}  // namespace orv
