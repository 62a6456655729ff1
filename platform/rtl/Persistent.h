#pragma once
// TPersistent: objects that can copy themselves from one another (Assign).
#include "platform/rtl/TypInfo.h"

namespace orv {

class TFiler;

// The base of objects that can be assigned and that have a name path for messages.
class TPersistent : public TObject {
  ORV_CLASS(TPersistent, TObject)

 public:
  // Copies source into this object: source's AssignTo when this class does not know source's
  // class. EConvertError "Cannot assign a %s to a %s" when neither knows the other (or source
  // is nil).
  virtual void Assign(TPersistent* source);
  // "Owner.Name" style path for messages; at this level the owner's path, a point and the
  // class name.
  virtual String GetNamePath() const;
  // Declares the data the object stores beside its published properties (platform/rtl/Filer.h);
  // nothing at this level.
  virtual void DefineProperties(TFiler* filer);

 protected:
  // Copies this object into dest; raises the assign error at this level.
  virtual void AssignTo(TPersistent* dest);
  virtual TPersistent* GetOwner() const { return nullptr; }
  [[noreturn]] void AssignError(TPersistent* source);
};

}  // namespace orv
