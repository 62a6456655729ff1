#pragma once
// The class registry: classes known by name to the report reader and the script bindings.
#include <initializer_list>
#include <string_view>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Object.h"

namespace orv {

ORV_DECLARE_EXCEPTION(EFilerError, EStreamError);

// Registering a class again does nothing; another class of the same name raises EFilerError
// "A class named %s already exists".
void RegisterClass(TClass cls);
void RegisterClasses(std::initializer_list<TClass> classes);
void UnRegisterClass(TClass cls);
// Case-blind; nullptr when no class of that name is registered.
TClass GetClass(std::string_view name);
// Case-blind; EClassNotFound "Class %s not found" when none is registered.
TClass FindClass(std::string_view name);

}  // namespace orv
