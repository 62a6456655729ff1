#include "platform/rtl/Persistent.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TPersistent, c) {}

void TPersistent::Assign(TPersistent* source) {
  if (!source) AssignError(nullptr);
  source->AssignTo(this);
}

void TPersistent::DefineProperties(TFiler*) {}

void TPersistent::AssignTo(TPersistent* dest) { dest->AssignError(this); }

void TPersistent::AssignError(TPersistent* source) {
  String sourceName = source ? source->ClassName() : String("nil");
  throw EConvertError("Cannot assign a " + sourceName + " to a " + ClassName());
}

String TPersistent::GetNamePath() const {
  TPersistent* owner = GetOwner();
  String ownerPath = owner ? owner->GetNamePath() : String();
  return ownerPath.empty() ? ClassName() : ownerPath + "." + ClassName();
}

}  // namespace orv
