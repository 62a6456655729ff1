#pragma once
// The script engine's compile-time messages. They are fixed English texts: scripts, the report
// library's error list and its tests compare them literally.

namespace orv {

// Formatted with the dialect name.
inline constexpr const char* SLanguageNotFound = "Language '%s' not found";
inline constexpr const char* SInvalidLanguage = "Invalid language definition";
// Each of the next four is followed by the name in single quotes.
inline constexpr const char* SIdentRedeclared = "Identifier redeclared: ";
inline constexpr const char* SUnknownType = "Unknown type: ";
inline constexpr const char* SUndeclaredIdent = "Undeclared identifier: ";
// Followed by ": 'target', 'source'" when a value does not fit its target.
inline constexpr const char* SIncompatibleTypes = "Incompatible types";
inline constexpr const char* SClassRequired = "Class type required";
inline constexpr const char* SIndexRequired = "Index required";
inline constexpr const char* SStringError = "Strings doesn't have properties or methods";
// Formatted with the class name.
inline constexpr const char* SClassError = "Class %s does not have a default property";
inline constexpr const char* SArrayRequired = "Array type required";
inline constexpr const char* SVarRequired = "Variable required";
inline constexpr const char* SNotEnoughParams = "Not enough actual parameters";
inline constexpr const char* STooManyParams = "Too many actual parameters";
inline constexpr const char* SLeftCantAssigned = "Left side cannot be assigned to";
inline constexpr const char* SForError = "For loop variable must be numeric variable";
inline constexpr const char* SEventError = "Event handler must be a procedure";

// Reported as the syntax error when constructs nest deeper than the parser's recursion can go:
// a stack overflow must not be the answer to a pathological script.
inline constexpr const char* SNestingTooDeep = "Program nested too deeply";

// Reported at the start of a block comment or a string that is never closed, which would
// otherwise swallow the rest of the program.
inline constexpr const char* SUnterminatedComment = "Unterminated comment";
inline constexpr const char* SUnterminatedString = "Unterminated string";

// The script XML reader's complaint about malformed input.
inline constexpr const char* SInvalidFileFormat = "Invalid file format";

}  // namespace orv
