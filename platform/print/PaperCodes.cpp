#include "platform/print/PaperCodes.h"

#include <cups/cups.h>

#include <cmath>
#include <cstdlib>

namespace orv {

const std::vector<TPaperCodeSize>& PaperCodeSizes() {
  static const std::vector<TPaperCodeSize> table = {
      {1, 2159, 2794},  {2, 2159, 2794},  {3, 2794, 4318},  {4, 4318, 2794},  {5, 2159, 3556},
      {6, 1397, 2159},  {7, 1842, 2667},  {8, 2970, 4200},  {9, 2100, 2970},  {10, 2100, 2970},
      {11, 1480, 2100}, {12, 2500, 3540}, {13, 1820, 2570}, {14, 2159, 3302}, {15, 2150, 2750},
      {16, 2540, 3556}, {17, 2794, 4318}, {18, 2159, 2794}, {19, 984, 2254},  {20, 1048, 2413},
      {21, 1143, 2635}, {22, 1207, 2794}, {23, 1270, 2921}, {24, 4318, 5588}, {25, 5588, 8636},
      {26, 8636, 11176}, {27, 1100, 2200}, {28, 1620, 2290}, {29, 3240, 4580}, {30, 2290, 3240},
      {31, 1140, 1620}, {32, 1140, 2290}, {33, 2500, 3530}, {34, 1760, 2500}, {35, 1760, 1250},
      {36, 1100, 2300}, {37, 984, 1905},  {38, 921, 1651},  {39, 3778, 2794}, {40, 2159, 3048},
      {41, 2159, 3302}, {42, 2500, 3530}, {43, 1000, 1480}, {44, 2286, 2794}, {45, 2540, 2794},
      {46, 3810, 2794}, {47, 2200, 2200}, {50, 2413, 3048}, {51, 2413, 3810}, {52, 2969, 4572},
      {53, 2355, 3223}, {54, 2159, 2794}, {55, 2100, 2970}, {56, 2413, 3048}, {57, 2270, 3560},
      {58, 3050, 4870}, {59, 2159, 3223}, {60, 2100, 3300}, {61, 1480, 2100}, {62, 1820, 2570},
      {63, 3220, 4450}, {64, 1740, 2350}, {65, 2010, 2760}, {66, 4200, 5940}, {67, 2970, 4200},
      {68, 3220, 4450}};
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
  // PWG sizes are hundredths of a millimetre.
  pwg_media_t* media = pwgMediaForSize(static_cast<int>(std::lround(width * 100)),
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
