#pragma once
// Text from old files: bytes that are not valid UTF-8 are code page 874 (Thai), as the program
// wrote them before it wrote UTF-8. Kept apart from the font headers, whose charset constants
// share names with the code-page table.
#include <string_view>

#include "platform/rtl/Types.h"

namespace orv {

// s itself when it is valid UTF-8; else its UTF-8 Thai letters and punctuation as they stand and
// every other byte beyond ASCII read as code page 874, so one stray byte in UTF-8 text spoils
// only itself, and text of code page 874 reads whole.
String kvxFileText(std::string_view s);
// Bytes of code page 874 as UTF-8. A byte the code page leaves undefined becomes the private
// character U+F700 + byte instead of a replacement character, so kvxUtf8To874 gives every byte
// back: a password of an old file is stored as such bytes, and the letters of many Thai
// passwords (KHO KHWAI, NGO NGU, MAI EK...) fall on undefined bytes once shifted.
String kvx874ToUtf8(std::string_view bytes);
// The code page 874 bytes of text, taking those private characters back to their bytes; false
// when text holds a character the code page has not.
bool kvxUtf8To874(std::string_view text, std::string& bytes);
// UTF-8 and UTF-16 both ways, for files that also include the font headers.
WideString kvxUtf8ToWide(std::string_view s);
// kvxUtf8ToWide(s) added to the end of out.
void kvxAppendUtf8ToWide(WideString& out, std::string_view s);
String kvxWideToUtf8(const WideString& s);

}  // namespace orv
