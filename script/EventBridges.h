#pragma once
// Event bridges: the small objects that own a native event's handler and run a script
// procedure for it, converting the event's arguments and writing var ones back.
#include <any>
#include <vector>

#include "platform/rtl/Object.h"
#include "script/ClassModel.h"

namespace orv {

class TsxProcVariable;

class TsxCustomEvent : public TObject {
 public:
  TsxCustomEvent(TObject* instance, TsxProcVariable* handler) : Handler(handler), Instance(instance) {}
  // The native handler (a std::function of the event's type) that runs this bridge.
  virtual std::any GetMethod() = 0;
  TsxProcVariable* Handler;
  TObject* Instance;

 protected:
  // Runs the procedure with the arguments the event supplies (parameters beyond them keep
  // their values). A procedure that runs already (shared by several objects' events, or
  // causing its own event) runs again as a nested call: the running call's parameters and
  // locals are set aside and come back after; recursion without end stops at the depth guard.
  void CallHandler(const std::vector<Variant>& args);
  // The value parameter index held when the last call ended; Null when the procedure has no
  // such one.
  Variant Back(int index) const;

 private:
  std::vector<Variant> back_;
};

// Whether freeing obj now would free an object whose event a script procedure is running:
// obj itself, a component it owns or a control inside it. The native code that fired the event
// goes on with that object once the procedure returns.
bool sxInOwnEvent(TObject* obj);

// One bridge class per native event type.
extern const TsxEventClass TsxNotifyEvent;
extern const TsxEventClass TsxMouseEvent;
extern const TsxEventClass TsxMouseMoveEvent;
extern const TsxEventClass TsxKeyEvent;
extern const TsxEventClass TsxKeyPressEvent;
extern const TsxEventClass TsxCloseEvent;
extern const TsxEventClass TsxCloseQueryEvent;
extern const TsxEventClass TsxCanResizeEvent;

}  // namespace orv
