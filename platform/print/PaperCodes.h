#pragma once
// The Windows paper and bin codes that report pages store, and the CUPS media and media-source
// names they stand for.
#include <vector>

#include "platform/rtl/Types.h"

namespace orv {

// Paper code of a size given by width and height (custom size).
constexpr int kCustomPaperCode = 256;
// Bin code "the printer chooses".
constexpr int kAutoBinCode = 7;
// Codes from here up name papers and bins of one printer that have no Windows code.
constexpr int kFirstPrinterPaperCode = 257;
constexpr int kFirstPrinterBinCode = 256;

// A paper of the Windows paper codes with its usual name; sizes in tenths of a millimetre,
// portrait.
struct TPaperCodeSize {
  int Code;
  int Width;
  int Height;
  const char* Name;
};

// The 66 standard papers, codes 1 to 47 and 50 to 68, in code order.
const std::vector<TPaperCodeSize>& PaperCodeSizes();
// The row of a code, nullptr when the code is not in the table.
const TPaperCodeSize* FindPaperCodeSize(int code);
// The first code whose paper has this portrait size (tenths of a millimetre, half a millimetre
// of tolerance); kCustomPaperCode when none does.
int PaperCodeForSize(int width, int height);

// The CUPS media name (a PWG self-describing name such as "iso_a4_210x297mm") of a portrait
// size in millimetres; standard sizes get their standard name, others a custom one.
String MediaForSize(double width, double height);

// The media-source keyword of a Windows bin code, empty for a code with no counterpart
// (the printer then takes its default source); and back, 0 for a keyword with no Windows code.
String MediaSourceForBin(int bin);
int BinForMediaSource(const String& source);

}  // namespace orv
