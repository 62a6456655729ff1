#pragma once
// Integer handles for native objects that travel through scripts and report variables, in place
// of raw addresses: a handle that is stale or made up raises instead of reaching freed memory.
#include "platform/rtl/Object.h"
#include "platform/rtl/Types.h"

namespace orv {

// 0 for nullptr. The same live object keeps its handle; a handle is never given out twice,
// so a freed object's handle stays invalid for the rest of the run. EInvalidPointer "Invalid
// object reference" for a pointer to no live object (one a native list kept after it was freed).
Integer ObjectToHandle(TObject* obj);
// The handle obj already has, 0 when it has none (never given one, or freed since): a
// reference kept natively reads as nil once its object is gone.
Integer FindObjectHandle(TObject* obj);
// nullptr for 0; EInvalidPointer "Invalid object reference" for a handle that names no live
// registered object.
TObject* HandleToObject(Integer handle);
// Called by TObject's constructor: only objects between construction and destruction are live.
void AddLiveObject(TObject* obj);
// Called when obj is destroyed; its handle becomes invalid and it is no longer live.
void ForgetObject(TObject* obj);

// Scripts may free only what they made themselves and what no native object holds: a canvas
// of a bitmap or the items of a list box belong to their control, which would keep using them.
void MarkScriptOwned(TObject* obj);
// While holder lives, held is not freeable by scripts (a metafile canvas draws into its metafile).
void HoldObject(TObject* holder, TObject* held);
bool ScriptMayFree(TObject* obj);

}  // namespace orv
