#include "script/MethodSyntax.h"

#include "platform/rtl/TextUtils.h"
#include "script/ClassModel.h"
#include "script/Parser.h"
#include "script/Script.h"
#include "script/TypeHelpers.h"

namespace orv {

TsxVarType sxTypeNameToVarType(const String& typeName, const TsxScript* script) {
  TsxCustomVariable* item = script ? script->Find(typeName) : nullptr;
  return item ? item->Typ : fvtClass;
}

bool sxClassesCompatible(const String& destName, const String& srcName, const TsxScript* script) {
  if (!script) return false;
  TsxClassVariable* dest = script->FindClass(destName);
  TsxClassVariable* src = script->FindClass(srcName);
  if (!dest || !src) return false;
  for (TsxClassVariable* c = src; c; c = script->FindClass(c->AncestorName)) {
    if (c == dest) return true;
    if (SameText(c->AncestorName, c->Name())) break;
  }
  // Classes registered without their ancestors still know their lineage natively.
  return src->ClassRef && dest->ClassRef && src->ClassRef->InheritsFrom(dest->ClassRef);
}

bool sxTypesCompatible(const TsxTypeRec& dest, const TsxTypeRec& src, const TsxScript* script) {
  const TsxVarType s = src.Typ;
  switch (dest.Typ) {
    case fvtInt: return s == fvtInt || s == fvtFloat || s == fvtVariant || s == fvtEnum;
    case fvtBool: return s == fvtBool || s == fvtVariant;
    case fvtFloat: return s == fvtInt || s == fvtFloat || s == fvtVariant;
    case fvtChar:
    case fvtString: return s == fvtChar || s == fvtString || s == fvtVariant;
    case fvtClass:
      return s == fvtVariant || (s == fvtClass && sxClassesCompatible(dest.TypeName, src.TypeName, script));
    case fvtArray: return s == fvtArray || s == fvtVariant;
    case fvtVariant: return true;
    case fvtEnum:
      return s == fvtInt || s == fvtVariant || (s == fvtEnum && SameText(dest.TypeName, src.TypeName));
    case fvtConstructor: return false;
  }
  return false;
}

bool sxVarsCompatible(const TsxCustomVariable& dest, const TsxTypeRec& src, const TsxScript* script) {
  if (dest.Typ == fvtInt && src.Typ == fvtFloat) return false;
  return sxTypesCompatible({dest.Typ, dest.TypeName()}, src, script);
}

bool sxVarsCompatible(const TsxCustomVariable& dest, const TsxCustomVariable& src, const TsxScript* script) {
  return sxVarsCompatible(dest, {src.Typ, src.TypeName()}, script);
}

bool sxParseMethodSyntax(const String& syntax, const TsxScript* script, TsxCustomVariable& item) {
  TsxParser parser;
  if (script && script->ExtendedCharset) parser.AddIdentChars(128, 255);
  parser.SetText(syntax);
  String kind = LowerCase(parser.GetWord());
  if (kind.rfind("macro", 0) == 0) {
    item.IsMacro = true;
    kind = kind.substr(5);
  }
  const bool isFunc = kind == "function";
  item.SetName(parser.GetWord());
  String typeName;
  if (isFunc) {
    const size_t colon = syntax.rfind(':');
    if (colon != String::npos) {
      const int back = parser.Position();
      parser.SetPosition(static_cast<int>(colon) + 2);
      typeName = parser.GetWord();
      parser.SetPosition(back);
    }
    item.Typ = sxTypeNameToVarType(typeName, script);
    if (item.Typ == fvtClass || item.Typ == fvtEnum) item.SetTypeName(typeName);
  }
  parser.SkipSpaces();
  if (parser.GetChar() != "(") return isFunc;
  for (int guard = 0; guard < 1000; ++guard) {
    std::vector<String> names;
    bool byRef = false;
    String word;
    for (;;) {
      word = parser.GetWord();
      if (word.empty()) break;
      if (SameText(word, "var")) byRef = true;
      else if (!SameText(word, "const")) names.push_back(word);
      parser.SkipSpaces();
      const int at = parser.Position();
      if (parser.GetChar() != ",") parser.SetPosition(at);
    }
    parser.SkipSpaces();
    String ch = parser.GetChar();
    String groupType;
    Variant def = Null();
    bool hasDefault = false;
    if (ch == ":") {
      groupType = parser.GetWord();
      parser.SkipSpaces();
      ch = parser.GetChar();
      if (ch == "=") {
        String literal = parser.GetNumber();
        if (literal.empty()) literal = parser.GetString();
        if (!literal.empty()) {
          def = sxLiteralToVariant(literal);
          hasDefault = true;
        } else {
          parser.SkipSpaces();
          const int at = parser.Position();
          if (parser.GetChar() == "-" && !(literal = parser.GetNumber()).empty()) {
            def = -sxLiteralToVariant(literal);
            hasDefault = true;
          } else {
            parser.SetPosition(at);
            const String name = parser.GetWord();
            if (TsxCustomVariable* named = script ? script->Find(name) : nullptr) {
              def = named->Value;
              hasDefault = true;
            }
          }
        }
        parser.SkipSpaces();
        ch = parser.GetChar();
      }
    }
    const TsxVarType typ = groupType.empty() ? fvtVariant : sxTypeNameToVarType(groupType, script);
    for (size_t i = 0; i < names.size(); ++i) {
      auto param = std::make_unique<TsxParamItem>(names[i], typ,
                                                  typ == fvtClass || typ == fvtEnum ? groupType : String());
      param->IsVarParam = byRef;
      if (i + 1 == names.size() && hasDefault) {
        param->DefValue = def;
        param->Value = def;
        param->IsOptional = true;
      }
      item.AddParam(std::move(param));
    }
    if (ch != ";") break;
  }
  return isFunc;
}

}  // namespace orv
