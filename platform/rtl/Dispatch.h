#pragma once
// The automation-object interface: objects that scripts and the exporters call by member name
// at run time, held in a Variant of type varDispatch.
#include <functional>
#include <memory>
#include <span>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Types.h"
#include "platform/rtl/Variant.h"

namespace orv {

// Call kinds of Invoke; a script's member read or call asks for method-or-get (3).
constexpr Word DISPATCH_METHOD = 1;
constexpr Word DISPATCH_PROPERTYGET = 2;
constexpr Word DISPATCH_PROPERTYPUT = 4;

// Automation error codes that EOleSysError carries.
constexpr Cardinal DISP_E_MEMBERNOTFOUND = 0x80020003;
constexpr Cardinal DISP_E_TYPEMISMATCH = 0x80020005;
constexpr Cardinal DISP_E_UNKNOWNNAME = 0x80020006;
constexpr Cardinal DISP_E_EXCEPTION = 0x80020009;
constexpr Cardinal DISP_E_BADPARAMCOUNT = 0x8002000E;
constexpr Cardinal CO_E_CLASSSTRING = 0x800401F3;

// An object whose members are found by name when called. Shared-owned: a Variant holding it
// keeps it alive.
class IDispatch {
 public:
  IDispatch() = default;
  IDispatch(const IDispatch&) = delete;
  IDispatch& operator=(const IDispatch&) = delete;
  virtual ~IDispatch() = default;

  // Calls member name (matched without regard to case) with flags from DISPATCH_*. args are in
  // the order the caller wrote them; for a property put the assigned value is the last one.
  // Returns Empty when the member gives no value. Raises EOleSysError(DISP_E_UNKNOWNNAME) for a
  // name the object does not know, EOleSysError(DISP_E_BADPARAMCOUNT) for a wrong argument
  // count, and EOleException for a failure inside the member.
  virtual Variant Invoke(const String& name, Word flags, std::span<const Variant> args) = 0;
};

ORV_DECLARE_EXCEPTION(EOleError, Exception);

// An automation call that failed with an error code; Message() is the system's text for it.
class EOleSysError : public EOleError {
 public:
  EOleSysError(String message, Cardinal errorCode)
      : EOleError(std::move(message)), errorCode_(errorCode) {}
  const char* ClassName() const override { return "EOleSysError"; }
  Cardinal ErrorCode() const { return errorCode_; }

 private:
  Cardinal errorCode_;
};

// A failure the automation object described itself: Message() is its description.
class EOleException : public EOleSysError {
 public:
  EOleException(String description, Cardinal errorCode, String source, String helpFile)
      : EOleSysError(std::move(description), errorCode),
        source_(std::move(source)),
        helpFile_(std::move(helpFile)) {}
  const char* ClassName() const override { return "EOleException"; }
  const String& Source() const { return source_; }
  const String& HelpFile() const { return helpFile_; }

 private:
  String source_;
  String helpFile_;
};

// Raises EOleSysError with the system's text for the code ("Unknown name." ...).
[[noreturn]] void OleError(Cardinal errorCode);

// Automation classes by name ("Excel.Application"), created by CreateOleObject.
using TOleObjectFactory = std::function<std::shared_ptr<IDispatch>()>;
void RegisterOleClass(const String& className, TOleObjectFactory factory);
// A Variant of type varDispatch; EOleSysError(CO_E_CLASSSTRING) for an unregistered name.
Variant CreateOleObject(const String& className);

}  // namespace orv
