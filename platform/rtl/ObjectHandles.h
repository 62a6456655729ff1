#pragma once
// Integer handles for native objects that travel through scripts and report variables, in place
// of raw addresses: a handle that is stale or made up raises instead of reaching freed memory.
#include "platform/rtl/Object.h"
#include "platform/rtl/Types.h"

namespace orv {

// 0 for nullptr. The same live object keeps its handle; a handle is never given out twice,
// so a freed object's handle stays invalid for the rest of the run.
Integer ObjectToHandle(TObject* obj);
// The handle obj already has, 0 when it has none (never given one, or freed since): a
// reference kept natively reads as nil once its object is gone.
Integer FindObjectHandle(TObject* obj);
// nullptr for 0; EInvalidPointer "Invalid object reference" for a handle that names no live
// registered object.
TObject* HandleToObject(Integer handle);
// Called when obj is destroyed; its handle becomes invalid. Cheap when obj was never registered.
void ForgetObject(TObject* obj);

}  // namespace orv
