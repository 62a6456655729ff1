#include <array>
#include <cmath>
#include <set>

#include "controls/GDIPFill.h"
#include "controls/tests/KitTesting.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/Streams.h"

namespace orv::testing {

namespace {

constexpr int kStyles = 53;
constexpr int kSide = 32;  // four tiles each way

// Ink (the foreground, black) of a hatch fill painted over white, pixel by pixel.
using TInk = std::array<std::array<bool, kSide>, kSide>;

TInk Painted(THatchStyle style) {
  TGPBitmap sheet(kSide, kSide);
  {
    TGPGraphics g(&sheet);
    g.Clear(0xFFFFFFFF);
    TGDIPFill fill;
    fill.SetGradientType(gtHatch);
    fill.SetHatchStyle(style);
    fill.SetColor(clBlack);
    fill.SetColorTo(clWhite);
    fill.Fill(&g, MakeRect(0, 0, kSide, kSide));
  }
  TInk ink{};
  for (int y = 0; y < kSide; ++y)
    for (int x = 0; x < kSide; ++x) {
      ARGB c = 0;
      sheet.GetPixel(x, y, c);
      ink[y][x] = GetRed(c) < 128;
    }
  return ink;
}

int Count(const TInk& ink) {
  int n = 0;
  for (const auto& row : ink)
    for (bool b : row) n += b;
  return n;
}

double Share(const TInk& ink) { return Count(ink) / double(kSide * kSide); }

// Unchanged when moved by (dx, dy): the figure runs in that direction.
bool RunsAlong(const TInk& ink, int dx, int dy) {
  for (int y = 0; y < kSide; ++y)
    for (int x = 0; x < kSide; ++x)
      if (ink[y][x] != ink[(y + dy + kSide) % kSide][(x + dx + kSide) % kSide]) return false;
  return true;
}

THatchStyle Style(const char* name) {
  return static_cast<THatchStyle>(GetEnumValue(TypeInfoOf<THatchStyle>(), name));
}

}  // namespace

TEST(HatchStyles, EveryStyleHasItsNameInTheKitsOrder) {
  const auto& names = TypeInfoOf<THatchStyle>()->EnumNames();
  ASSERT_EQ(names.size(), size_t(kStyles));
  EXPECT_EQ(names[0], "HatchStyleHorizontal");
  EXPECT_EQ(names[6], "HatchStyle05Percent");
  EXPECT_EQ(names[17], "HatchStyle90Percent");
  EXPECT_EQ(names[18], "HatchStyleLightDownwardDiagonal");
  EXPECT_EQ(names[34], "HatchStyleSmallConfetti");
  EXPECT_EQ(names[41], "HatchStylePlaid");
  EXPECT_EQ(names[52], "HatchStyleSolidDiamond");
}

TEST(HatchStyles, PercentStylesInkTheirShareOfEveryTile) {
  const std::pair<const char*, int> percents[] = {
      {"HatchStyle05Percent", 5},  {"HatchStyle10Percent", 10}, {"HatchStyle20Percent", 20},
      {"HatchStyle25Percent", 25}, {"HatchStyle30Percent", 30}, {"HatchStyle40Percent", 40},
      {"HatchStyle50Percent", 50}, {"HatchStyle60Percent", 60}, {"HatchStyle70Percent", 70},
      {"HatchStyle75Percent", 75}, {"HatchStyle80Percent", 80}, {"HatchStyle90Percent", 90}};
  double previous = 0;
  for (auto [name, percent] : percents) {
    TInk ink = Painted(Style(name));
    // Within one pixel of the 64 of a tile.
    EXPECT_NEAR(Share(ink), percent / 100.0, 1.0 / 64) << name;
    EXPECT_GT(Share(ink), previous) << name;
    previous = Share(ink);
    // The tile repeats every 8 pixels both ways.
    EXPECT_TRUE(RunsAlong(ink, 8, 0) && RunsAlong(ink, 0, 8)) << name;
  }
}

TEST(HatchStyles, LineStylesRunInTheirDirectionAtTheirSpacingAndWidth) {
  struct TLine {
    const char* name;
    int dx, dy;   // the direction the lines run
    double share; // spacing and width: the inked share
  };
  const TLine lines[] = {
      {"HatchStyleHorizontal", 1, 0, 1 / 8.0},          {"HatchStyleVertical", 0, 1, 1 / 8.0},
      {"HatchStyleForwardDiagonal", 1, 1, 1 / 8.0},     {"HatchStyleBackwardDiagonal", -1, 1, 1 / 8.0},
      {"HatchStyleLightHorizontal", 1, 0, 2 / 8.0},     {"HatchStyleLightVertical", 0, 1, 2 / 8.0},
      {"HatchStyleNarrowHorizontal", 1, 0, 4 / 8.0},    {"HatchStyleNarrowVertical", 0, 1, 4 / 8.0},
      {"HatchStyleDarkHorizontal", 1, 0, 4 / 8.0},      {"HatchStyleDarkVertical", 0, 1, 4 / 8.0},
      {"HatchStyleLightDownwardDiagonal", 1, 1, 2 / 8.0}, {"HatchStyleLightUpwardDiagonal", -1, 1, 2 / 8.0},
      {"HatchStyleDarkDownwardDiagonal", 1, 1, 4 / 8.0},  {"HatchStyleDarkUpwardDiagonal", -1, 1, 4 / 8.0},
      {"HatchStyleWideDownwardDiagonal", 1, 1, 3 / 8.0},  {"HatchStyleWideUpwardDiagonal", -1, 1, 3 / 8.0},
  };
  for (const auto& line : lines) {
    TInk ink = Painted(Style(line.name));
    EXPECT_TRUE(RunsAlong(ink, line.dx, line.dy)) << line.name;
    EXPECT_DOUBLE_EQ(Share(ink), line.share) << line.name;
  }
  // Narrow lines are one pixel apart, dark ones two pixels wide.
  TInk narrow = Painted(HatchStyleNarrowHorizontal), dark = Painted(HatchStyleDarkHorizontal);
  EXPECT_TRUE(narrow[0][0] && !narrow[1][0] && narrow[2][0]);
  EXPECT_TRUE(dark[0][0] && dark[1][0] && !dark[2][0] && !dark[3][0]);

  // Crosses are their two line styles together.
  auto both = [](THatchStyle a, THatchStyle b) {
    TInk x = Painted(a), y = Painted(b), u{};
    for (int r = 0; r < kSide; ++r)
      for (int c = 0; c < kSide; ++c) u[r][c] = x[r][c] || y[r][c];
    return u;
  };
  EXPECT_EQ(Painted(HatchStyleCross), both(HatchStyleHorizontal, HatchStyleVertical));
  EXPECT_EQ(Painted(HatchStyleSmallGrid), both(HatchStyleLightHorizontal, HatchStyleLightVertical));

  // Dashed styles are broken lines in the direction of their name.
  for (auto [name, dx, dy] : {std::tuple{"HatchStyleDashedHorizontal", 1, 0},
                              std::tuple{"HatchStyleDashedVertical", 0, 1},
                              std::tuple{"HatchStyleDashedDownwardDiagonal", 1, 1},
                              std::tuple{"HatchStyleDashedUpwardDiagonal", -1, 1}}) {
    TInk ink = Painted(Style(name));
    EXPECT_FALSE(RunsAlong(ink, dx, dy)) << name << " is broken";
    int joined = 0;
    for (int y = 1; y + 1 < kSide; ++y)
      for (int x = 1; x + 1 < kSide; ++x) joined += ink[y][x] && ink[y + dy][x + dx];
    EXPECT_GE(joined * 2, Count(ink)) << name << " runs in its direction";
  }
}

TEST(HatchStyles, FigureStylesAreDistinctRepeatingTiles) {
  std::set<std::vector<bool>> seen;
  for (int s = 0; s < kStyles; ++s) {
    TInk ink = Painted(static_cast<THatchStyle>(s));
    const String& name = TypeInfoOf<THatchStyle>()->EnumNames()[s];
    EXPECT_GT(Share(ink), 0) << name;
    EXPECT_LT(Share(ink), 1) << name;
    EXPECT_TRUE(RunsAlong(ink, 8, 0) && RunsAlong(ink, 0, 8)) << name;
    std::vector<bool> tile;
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) tile.push_back(ink[y][x]);
    EXPECT_TRUE(seen.insert(tile).second) << name << " looks like another style";
  }
  // Checkerboards alternate squares of their size.
  TInk small = Painted(HatchStyleSmallCheckerBoard), large = Painted(HatchStyleLargeCheckerBoard);
  EXPECT_EQ(Share(small), 0.5);
  EXPECT_EQ(Share(large), 0.5);
  EXPECT_TRUE(small[0][0] == small[1][1] && small[0][0] != small[0][2] && small[0][0] != small[2][0]);
  EXPECT_TRUE(large[0][0] == large[3][3] && large[0][0] != large[0][4] && large[0][0] != large[4][0]);
}

TEST(HatchStyles, AStoredFillOfEveryStyleLoadsAndSavesByName) {
  auto load = [](TMemoryStream& stream, TGDIPFill& fill) {
    stream.SetPosition(0);
    TReader r(stream);
    while (!r.AtEnd()) r.ReadProperty(&fill);
  };
  for (int s = 0; s < kStyles; ++s) {
    const String& name = TypeInfoOf<THatchStyle>()->EnumNames()[s];
    // As a form stream stores it: the value's name.
    TMemoryStream stored;
    {
      TWriter w(stored);
      w.WritePropName("HatchStyle");
      w.WriteIdent(name);
      w.WritePropName("HatchStyleMirror");
      w.WriteIdent(name);
    }
    TGDIPFill loaded;
    load(stored, loaded);
    EXPECT_EQ(loaded.HatchStyle(), s) << name;
    EXPECT_EQ(loaded.HatchStyleMirror(), s) << name;

    TMemoryStream saved;
    {
      TWriter w(saved);
      w.WriteProperties(&loaded);
    }
    TGDIPFill again;
    load(saved, again);
    EXPECT_EQ(again.HatchStyle(), s) << name;
    EXPECT_EQ(again.HatchStyleMirror(), s) << name;
  }
}

}  // namespace orv::testing
