#pragma once
// The exception hierarchy of the class library. Scripts and error boxes see ClassName() and
// Message(), so both keep the library's texts.
#include <exception>

#include "platform/rtl/Types.h"

namespace orv {

class Exception : public std::exception {
 public:
  explicit Exception(String message) : message_(std::move(message)) {}
  const String& Message() const { return message_; }
  void SetMessage(String message) { message_ = std::move(message); }
  virtual const char* ClassName() const { return "Exception"; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  String message_;
};

#define ORV_DECLARE_EXCEPTION(Name, Base)                         \
  class Name : public Base {                                      \
   public:                                                        \
    using Base::Base;                                             \
    const char* ClassName() const override { return #Name; }      \
  }

ORV_DECLARE_EXCEPTION(EAbort, Exception);
ORV_DECLARE_EXCEPTION(EConvertError, Exception);
ORV_DECLARE_EXCEPTION(EVariantError, Exception);
ORV_DECLARE_EXCEPTION(EInvalidCast, Exception);
ORV_DECLARE_EXCEPTION(EInvalidOperation, Exception);
ORV_DECLARE_EXCEPTION(EInvalidPointer, Exception);
ORV_DECLARE_EXCEPTION(EOutOfMemory, Exception);
ORV_DECLARE_EXCEPTION(EOSError, Exception);
ORV_DECLARE_EXCEPTION(EInOutError, Exception);
ORV_DECLARE_EXCEPTION(EExternal, Exception);
ORV_DECLARE_EXCEPTION(EIntError, EExternal);
ORV_DECLARE_EXCEPTION(EDivByZero, EIntError);
ORV_DECLARE_EXCEPTION(ERangeError, EIntError);
ORV_DECLARE_EXCEPTION(EIntOverflow, EIntError);
ORV_DECLARE_EXCEPTION(EMathError, EExternal);
ORV_DECLARE_EXCEPTION(EZeroDivide, EMathError);
ORV_DECLARE_EXCEPTION(EOverflow, EMathError);
ORV_DECLARE_EXCEPTION(EInvalidOp, EMathError);
ORV_DECLARE_EXCEPTION(EStreamError, Exception);
ORV_DECLARE_EXCEPTION(EFileStreamError, EStreamError);
ORV_DECLARE_EXCEPTION(EFCreateError, EFileStreamError);
ORV_DECLARE_EXCEPTION(EFOpenError, EFileStreamError);
ORV_DECLARE_EXCEPTION(EReadError, EStreamError);
ORV_DECLARE_EXCEPTION(EWriteError, EStreamError);
ORV_DECLARE_EXCEPTION(EListError, Exception);
ORV_DECLARE_EXCEPTION(EStringListError, Exception);
ORV_DECLARE_EXCEPTION(EComponentError, Exception);
ORV_DECLARE_EXCEPTION(EClassNotFound, EComponentError);
ORV_DECLARE_EXCEPTION(EPropertyError, Exception);
ORV_DECLARE_EXCEPTION(EIniFileException, Exception);
ORV_DECLARE_EXCEPTION(EDatabaseError, Exception);
ORV_DECLARE_EXCEPTION(EInvalidGraphic, Exception);
ORV_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception);

// Raises EAbort, the silent exception that the GUI loop does not report.
[[noreturn]] void Abort();

}  // namespace orv
