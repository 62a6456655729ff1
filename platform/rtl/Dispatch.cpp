#include "platform/rtl/Dispatch.h"

#include <map>
#include <mutex>

#include "platform/rtl/Conversions.h"

namespace orv {

namespace {

struct OleClassRegistry {
  std::mutex Lock;
  std::map<String, TOleObjectFactory> Factories;
};

OleClassRegistry& Registry() {
  static OleClassRegistry registry;
  return registry;
}

}  // namespace

void OleError(Cardinal errorCode) {
  const char* text;
  switch (errorCode) {
    case DISP_E_MEMBERNOTFOUND: text = "Member not found."; break;
    case DISP_E_TYPEMISMATCH: text = "Type mismatch."; break;
    case DISP_E_UNKNOWNNAME: text = "Unknown name."; break;
    case DISP_E_EXCEPTION: text = "Exception occurred."; break;
    case DISP_E_BADPARAMCOUNT: text = "Invalid number of parameters."; break;
    case CO_E_CLASSSTRING: text = "Invalid class string"; break;
    default: text = "Unspecified error"; break;
  }
  throw EOleSysError(text, errorCode);
}

void RegisterOleClass(const String& className, TOleObjectFactory factory) {
  auto& r = Registry();
  std::lock_guard lock(r.Lock);
  r.Factories[className] = std::move(factory);
}

Variant CreateOleObject(const String& className) {
  TOleObjectFactory factory;
  {
    auto& r = Registry();
    std::lock_guard lock(r.Lock);
    auto it = r.Factories.find(className);
    if (it == r.Factories.end()) OleError(CO_E_CLASSSTRING);
    factory = it->second;
  }
  return Variant(factory());
}

}  // namespace orv
