#pragma once
// Declaration strings of native functions and members, and the type rules the compiler checks
// assignments, arguments and operands with.
#include "script/ScriptItems.h"

namespace orv {

class TsxScript;

// The Typ of the item the name finds in script; a name not found counts as a class.
TsxVarType sxTypeNameToVarType(const String& typeName, const TsxScript* script);
bool sxClassesCompatible(const String& destName, const String& srcName, const TsxScript* script);
struct TsxTypeRec {
  TsxVarType Typ;
  const String& TypeName;
};
bool sxTypesCompatible(const TsxTypeRec& dest, const TsxTypeRec& src, const TsxScript* script);
// As sxTypesCompatible, but a Float does not fit an Integer.
bool sxVarsCompatible(const TsxCustomVariable& dest, const TsxTypeRec& src, const TsxScript* script);
bool sxVarsCompatible(const TsxCustomVariable& dest, const TsxCustomVariable& src, const TsxScript* script);

// Reads "function Name(a, b: Integer; var c: String = 'x'): Type" (or procedure, macrofunction,
// macroprocedure) into item: its name, IsMacro, Typ, TypeName and parameters. Returns whether
// it declares a function.
bool sxParseMethodSyntax(const String& syntax, const TsxScript* script, TsxCustomVariable& item);

}  // namespace orv
