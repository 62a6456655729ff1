#include "script/EventBridges.h"

#include "platform/gui/Controls.h"
#include "platform/gui/Forms.h"
#include "platform/rtl/ObjectHandles.h"
#include "platform/rtl/TextUtils.h"
#include "script/Procedures.h"

namespace orv {

namespace {

// The objects whose events run script procedures on this thread, innermost last.
thread_local std::vector<TObject*> busyObjects;

// Whether inner is outer or lies within it, by ownership or by parent control.
bool WithinObject(const TObject* inner, const TObject* outer) {
  for (const TObject* o = inner; o;) {
    if (o == outer) return true;
    auto* component = dynamic_cast<const TComponent*>(o);
    o = component ? component->Owner() : nullptr;
  }
  for (auto* control = dynamic_cast<const TControl*>(inner); control; control = control->Parent())
    if (control == outer) return true;
  return false;
}

}  // namespace

bool sxInOwnEvent(TObject* obj) {
  if (!obj) return false;
  for (const TObject* busy : busyObjects)
    if (WithinObject(busy, obj)) return true;
  return false;
}

void TsxCustomEvent::CallHandler(const std::vector<Variant>& args) {
  TsxLocalsRestore restore{nullptr};
  if (Handler->Executing) {
    Handler->SaveLocals();
    restore.Proc = Handler;
  }
  const size_t n = std::min(args.size(), static_cast<size_t>(Handler->Count()));
  for (size_t i = 0; i < n; ++i) Handler->Params(static_cast<int>(i))->SetValue(args[i]);
  busyObjects.push_back(Instance);
  struct Done {
    ~Done() { busyObjects.pop_back(); }
  } done;
  Handler->GetValue();
  // Read before an outer call's values come back.
  back_.clear();
  for (int i = 0; i < Handler->Count(); ++i) back_.push_back(Handler->Params(i)->Value);
}

Variant TsxCustomEvent::Back(int index) const {
  return index >= 0 && static_cast<size_t>(index) < back_.size() ? back_[static_cast<size_t>(index)] : Null();
}

namespace {

// The bridge behind a handle, or nullptr once the script that owned it has been cleared.
template <class B>
B* Live(Integer handle) {
  try {
    return dynamic_cast<B*>(HandleToObject(handle));
  } catch (const EInvalidPointer&) {
    return nullptr;
  }
}

Variant Sender(TObject* sender) { return sxObjectToValue(sender); }
Variant Bits(TShiftState shift) { return Variant(static_cast<Integer>(shift.Mask())); }

// A bridge for event type E whose Run converts the arguments.
template <class E, class Self>
class TBridge : public TsxCustomEvent {
 public:
  using TsxCustomEvent::TsxCustomEvent;
  static std::unique_ptr<TsxCustomEvent> Make(TObject* instance, TsxProcVariable* handler) {
    return std::make_unique<Self>(instance, handler);
  }
  static std::any Empty() { return std::any(E()); }
};

class TNotifyBridge : public TBridge<TNotifyEvent, TNotifyBridge> {
 public:
  using TBridge::TBridge;
  std::any GetMethod() override {
    const Integer h = ObjectToHandle(this);
    return std::any(TNotifyEvent([h](TObject* sender) {
      if (auto* b = Live<TNotifyBridge>(h)) b->CallHandler({Sender(sender)});
    }));
  }
};

class TMouseBridge : public TBridge<TMouseEvent, TMouseBridge> {
 public:
  using TBridge::TBridge;
  std::any GetMethod() override {
    const Integer h = ObjectToHandle(this);
    return std::any(TMouseEvent([h](TObject* sender, TMouseButton button, TShiftState shift, int x, int y) {
      if (auto* b = Live<TMouseBridge>(h))
        b->CallHandler({Sender(sender), Variant(static_cast<Integer>(button)), Bits(shift), Variant(x), Variant(y)});
    }));
  }
};

class TMouseMoveBridge : public TBridge<TMouseMoveEvent, TMouseMoveBridge> {
 public:
  using TBridge::TBridge;
  std::any GetMethod() override {
    const Integer h = ObjectToHandle(this);
    return std::any(TMouseMoveEvent([h](TObject* sender, TShiftState shift, int x, int y) {
      if (auto* b = Live<TMouseMoveBridge>(h)) b->CallHandler({Sender(sender), Bits(shift), Variant(x), Variant(y)});
    }));
  }
};

class TKeyBridge : public TBridge<TKeyEvent, TKeyBridge> {
 public:
  using TBridge::TBridge;
  std::any GetMethod() override {
    const Integer h = ObjectToHandle(this);
    return std::any(TKeyEvent([h](TObject* sender, Word& key, TShiftState shift) {
      auto* b = Live<TKeyBridge>(h);
      if (!b) return;
      b->CallHandler({Sender(sender), Variant(static_cast<Integer>(key)), Bits(shift)});
      const Variant back = b->Back(1);
      if (!back.IsNull()) key = static_cast<Word>(back.ToInteger());
    }));
  }
};

class TKeyPressBridge : public TBridge<TKeyPressEvent, TKeyPressBridge> {
 public:
  using TBridge::TBridge;
  std::any GetMethod() override {
    const Integer h = ObjectToHandle(this);
    return std::any(TKeyPressEvent([h](TObject* sender, char32_t& key) {
      auto* b = Live<TKeyPressBridge>(h);
      String text;
      AppendCodePoint(text, key);
      if (!b) return;
      b->CallHandler({Sender(sender), Variant(text)});
      // An empty text leaves Key as it was.
      const String back = b->Back(1).IsNull() ? String() : b->Back(1).ToString();
      if (back.empty()) return;
      size_t at = 0;
      key = NextCodePoint(back, at);
    }));
  }
};

class TCloseBridge : public TBridge<TCloseEvent, TCloseBridge> {
 public:
  using TBridge::TBridge;
  std::any GetMethod() override {
    const Integer h = ObjectToHandle(this);
    return std::any(TCloseEvent([h](TObject* sender, TCloseAction& action) {
      auto* b = Live<TCloseBridge>(h);
      if (!b) return;
      b->CallHandler({Sender(sender), Variant(static_cast<Integer>(action))});
      const Variant back = b->Back(1);
      if (back.IsNull()) return;
      const Integer a = back.ToInteger();
      if (a >= caNone && a <= caMinimize) action = static_cast<TCloseAction>(a);
    }));
  }
};

class TCloseQueryBridge : public TBridge<TCloseQueryEvent, TCloseQueryBridge> {
 public:
  using TBridge::TBridge;
  std::any GetMethod() override {
    const Integer h = ObjectToHandle(this);
    return std::any(TCloseQueryEvent([h](TObject* sender, bool& canClose) {
      auto* b = Live<TCloseQueryBridge>(h);
      if (!b) return;
      b->CallHandler({Sender(sender), Variant(canClose)});
      const Variant back = b->Back(1);
      if (!back.IsNull()) canClose = back.ToBoolean();
    }));
  }
};

class TCanResizeBridge : public TBridge<TCanResizeEvent, TCanResizeBridge> {
 public:
  using TBridge::TBridge;
  std::any GetMethod() override {
    const Integer h = ObjectToHandle(this);
    return std::any(TCanResizeEvent([h](TObject* sender, int& width, int& height, bool& resize) {
      auto* b = Live<TCanResizeBridge>(h);
      if (!b) return;
      b->CallHandler({Sender(sender), Variant(width), Variant(height), Variant(resize)});
      if (!b->Back(1).IsNull()) width = b->Back(1).ToInteger();
      if (!b->Back(2).IsNull()) height = b->Back(2).ToInteger();
      if (!b->Back(3).IsNull()) resize = b->Back(3).ToBoolean();
    }));
  }
};

}  // namespace

const TsxEventClass TsxNotifyEvent{&TNotifyBridge::Make, &TNotifyBridge::Empty};
const TsxEventClass TsxMouseEvent{&TMouseBridge::Make, &TMouseBridge::Empty};
const TsxEventClass TsxMouseMoveEvent{&TMouseMoveBridge::Make, &TMouseMoveBridge::Empty};
const TsxEventClass TsxKeyEvent{&TKeyBridge::Make, &TKeyBridge::Empty};
const TsxEventClass TsxKeyPressEvent{&TKeyPressBridge::Make, &TKeyPressBridge::Empty};
const TsxEventClass TsxCloseEvent{&TCloseBridge::Make, &TCloseBridge::Empty};
const TsxEventClass TsxCloseQueryEvent{&TCloseQueryBridge::Make, &TCloseQueryBridge::Empty};
const TsxEventClass TsxCanResizeEvent{&TCanResizeBridge::Make, &TCanResizeBridge::Empty};

}  // namespace orv
