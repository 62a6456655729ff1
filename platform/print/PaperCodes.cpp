#include "platform/print/PaperCodes.h"

#include <cmath>
#include <cstdlib>

#include "platform/print/CupsLibrary.h"

namespace orv {

const std::vector<TPaperCodeSize>& PaperCodeSizes() {
  static const std::vector<TPaperCodeSize> table = {
      {1, 2159, 2794, "Letter"},
      {2, 2159, 2794, "Letter Small"},
      {3, 2794, 4318, "Tabloid"},
      {4, 4318, 2794, "Ledger"},
      {5, 2159, 3556, "Legal"},
      {6, 1397, 2159, "Statement"},
      {7, 1842, 2667, "Executive"},
      {8, 2970, 4200, "A3"},
      {9, 2100, 2970, "A4"},
      {10, 2100, 2970, "A4 Small"},
      {11, 1480, 2100, "A5"},
      {12, 2500, 3540, "B4 (JIS)"},
      {13, 1820, 2570, "B5 (JIS)"},
      {14, 2159, 3302, "Folio"},
      {15, 2150, 2750, "Quarto"},
      {16, 2540, 3556, "10x14"},
      {17, 2794, 4318, "11x17"},
      {18, 2159, 2794, "Note"},
      {19, 984, 2254, "Envelope #9"},
      {20, 1048, 2413, "Envelope #10"},
      {21, 1143, 2635, "Envelope #11"},
      {22, 1207, 2794, "Envelope #12"},
      {23, 1270, 2921, "Envelope #14"},
      {24, 4318, 5588, "C size sheet"},
      {25, 5588, 8636, "D size sheet"},
      {26, 8636, 11176, "E size sheet"},
      {27, 1100, 2200, "Envelope DL"},
      {28, 1620, 2290, "Envelope C5"},
      {29, 3240, 4580, "Envelope C3"},
      {30, 2290, 3240, "Envelope C4"},
      {31, 1140, 1620, "Envelope C6"},
      {32, 1140, 2290, "Envelope C65"},
      {33, 2500, 3530, "Envelope B4"},
      {34, 1760, 2500, "Envelope B5"},
      {35, 1760, 1250, "Envelope B6"},
      {36, 1100, 2300, "Envelope Italy"},
      {37, 984, 1905, "Envelope Monarch"},
      {38, 921, 1651, "6 3/4 Envelope"},
      {39, 3778, 2794, "US Std Fanfold"},
      {40, 2159, 3048, "German Std Fanfold"},
      {41, 2159, 3302, "German Legal Fanfold"},
      {42, 2500, 3530, "B4 (ISO)"},
      {43, 1000, 1480, "Japanese Postcard"},
      {44, 2286, 2794, "9x11"},
      {45, 2540, 2794, "10x11"},
      {46, 3810, 2794, "15x11"},
      {47, 2200, 2200, "Envelope Invite"},
      {50, 2413, 3048, "Letter Extra"},
      {51, 2413, 3810, "Legal Extra"},
      {52, 2969, 4572, "Tabloid Extra"},
      {53, 2355, 3223, "A4 Extra"},
      {54, 2159, 2794, "Letter Transverse"},
      {55, 2100, 2970, "A4 Transverse"},
      {56, 2413, 3048, "Letter Extra Transverse"},
      {57, 2270, 3560, "Super A"},
      {58, 3050, 4870, "Super B"},
      {59, 2159, 3223, "Letter Plus"},
      {60, 2100, 3300, "A4 Plus"},
      {61, 1480, 2100, "A5 Transverse"},
      {62, 1820, 2570, "B5 (JIS) Transverse"},
      {63, 3220, 4450, "A3 Extra"},
      {64, 1740, 2350, "A5 Extra"},
      {65, 2010, 2760, "B5 (ISO) Extra"},
      {66, 4200, 5940, "A2"},
      {67, 2970, 4200, "A3 Transverse"},
      {68, 3220, 4450, "A3 Extra Transverse"}};
  return table;
}

const TPaperCodeSize* FindPaperCodeSize(int code) {
  for (const TPaperCodeSize& p : PaperCodeSizes())
    if (p.Code == code) return &p;
  return nullptr;
}

int PaperCodeForSize(int width, int height) {
  for (const TPaperCodeSize& p : PaperCodeSizes())
    if (std::abs(p.Width - width) <= 5 && std::abs(p.Height - height) <= 5) return p.Code;
  return kCustomPaperCode;
}

String MediaForSize(double width, double height) {
  String error;
  const TCupsLibrary* cups = CupsLibrary(error);
  if (!cups) return String();
  // PWG sizes are hundredths of a millimetre.
  pwg_media_t* media = cups->MediaForSize(static_cast<int>(std::lround(width * 100)),
                                          static_cast<int>(std::lround(height * 100)));
  return media && media->pwg ? String(media->pwg) : String();
}

namespace {

struct TBinSource {
  int Bin;
  const char* Source;
};

// Windows bins and the media-source keywords of the same trays; the first row of a keyword is
// the code it maps back to.
constexpr TBinSource kBinSources[] = {
    {1, "top"},    {2, "bottom"},   {3, "middle"}, {4, "manual"},          {5, "envelope"},
    {6, "manual"}, {7, "auto"},     {11, "large-capacity"}, {15, "main"},
};

}  // namespace

String MediaSourceForBin(int bin) {
  for (const TBinSource& b : kBinSources)
    if (b.Bin == bin) return b.Source;
  return {};
}

int BinForMediaSource(const String& source) {
  for (const TBinSource& b : kBinSources)
    if (source == b.Source) return b.Bin;
  return 0;
}

}  // namespace orv
