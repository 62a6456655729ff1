// Report font names find the project's Thai and Latin faces; shaping, metrics and subsets are
// checked against what the font files and other tools say.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "platform/fonts/FontFace.h"
#include "platform/rtl/CodePages.h"

namespace orv {
namespace {

std::string TempFile(const std::string& name) {
  return (std::filesystem::temp_directory_path() / ("orvane-fonts-" + name)).string();
}

std::string RunCommand(const std::string& command) {
  std::string out;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  char buffer[4096];
  size_t n;
  while (pipe && (n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0) out.append(buffer, n);
  return out;
}

TEST(FontFaceTest, WindowsNamesResolveToTheProjectsFaces) {
  // The project's fontconfig file maps these names; the faces are those of fonts-thai-tlwg.
  auto tahoma = TFontFace::Find("Tahoma", false, false, THAI_CHARSET);
  EXPECT_EQ(tahoma->FamilyName(), "Loma");
  EXPECT_FALSE(tahoma->Bold());
  auto tahomaBold = TFontFace::Find("Tahoma", true, false, THAI_CHARSET);
  EXPECT_EQ(tahomaBold->FamilyName(), "Loma");
  EXPECT_TRUE(tahomaBold->Bold());
  EXPECT_EQ(TFontFace::Find("Angsana New", false, false, THAI_CHARSET)->FamilyName(), "Kinnari");
  EXPECT_EQ(TFontFace::Find("Cordia New", false, false, THAI_CHARSET)->FamilyName(), "Umpush");
  EXPECT_EQ(TFontFace::Find("Arial", false, false, THAI_CHARSET)->FamilyName(), "Garuda");
  // One face per name, style and charset.
  EXPECT_EQ(TFontFace::Find("Tahoma", false, false, THAI_CHARSET), tahoma);
  // Weight 400 gives a normal face; a bold face says so in its OS/2 table.
  EXPECT_EQ(tahoma->Metrics().Weight, 400);
  EXPECT_GE(tahomaBold->Metrics().Weight, 600);
}

TEST(FontFaceTest, MetricsAreThousandthsOfAnEmAndTheItalicAngleIsInDegrees) {
  // DejaVu Sans Oblique leans 11 degrees to the right; its em is 2048 units.
  auto oblique = TFontFace::Load("/usr/share/fonts/truetype/dejavu/DejaVuSans-Oblique.ttf", 0, "Arial");
  ASSERT_EQ(oblique->FamilyName(), "DejaVu Sans");
  EXPECT_NEAR(oblique->Metrics().ItalicAngle, -11.0, 0.01);
  auto upright = TFontFace::Load("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 0, "Arial");
  EXPECT_EQ(upright->Metrics().ItalicAngle, 0.0);
  EXPECT_EQ(upright->PostScriptName(), "DejaVuSans");
  // The ascender of DejaVu Sans is 1901 of 2048 units, the descender 483 below the baseline.
  EXPECT_EQ(upright->Metrics().Ascent, 928);
  EXPECT_EQ(upright->Metrics().Descent, -236);
  // A space of DejaVu Sans is 651 of 2048 units wide.
  auto glyphs = upright->Shape(u" ");
  ASSERT_EQ(glyphs.size(), 1u);
  EXPECT_NEAR(glyphs[0].Advance, 651 * 1000.0 / 2048, 0.01);
  EXPECT_NEAR(upright->GlyphAdvance(glyphs[0].GlyphId), glyphs[0].Advance, 0.01);
  auto mono = TFontFace::Find("Courier New", false, false, ANSI_CHARSET);
  EXPECT_TRUE(mono->Metrics().FixedPitch);
}

TEST(FontFaceTest, ThaiShapingKeepsMarksOnTheirBasesAndClustersOnTheText) {
  auto face = TFontFace::Find("Tahoma", false, false, THAI_CHARSET);
  // NO NU, MAI THO, SARA AM: the vowel splits into NIKHAHIT and SARA AA, so four glyphs; the
  // tone mark and NIKHAHIT take no room of their own.
  const WideString water = u"\u0E19\u0E49\u0E33";
  auto glyphs = face->Shape(water);
  ASSERT_EQ(glyphs.size(), 4u);
  int zeroWidth = 0;
  for (const auto& g : glyphs) {
    EXPECT_LT(g.Cluster, water.size());
    EXPECT_NE(g.GlyphId, 0u) << "the font has every Thai letter";
    if (g.Advance == 0) ++zeroWidth;
  }
  EXPECT_EQ(zeroWidth, 2);
  EXPECT_EQ(glyphs.front().Cluster, 0u);
  // Latin and Thai in one run, in logical order.
  auto mixed = face->Shape(u"AB \u0E01");
  ASSERT_EQ(mixed.size(), 4u);
  EXPECT_EQ(mixed[3].Cluster, 3u);
  EXPECT_TRUE(face->Shape(u"").empty());
}

TEST(FontFaceTest, SubsetsKeepGlyphIdsAndAreTrueTypeProgramsOtherToolsRead) {
  auto face = TFontFace::Find("Tahoma", false, false, THAI_CHARSET);
  auto glyphs = face->Shape(u"\u0E01\u0E02A");
  std::set<unsigned> used;
  for (const auto& g : glyphs) used.insert(g.GlyphId);
  std::vector<Byte> subset = face->Subset(used);
  EXPECT_LT(subset.size() * 4, face->FontData().size());
  std::string file = TempFile("subset.ttf");
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(subset.data()),
                                               static_cast<std::streamsize>(subset.size()));
  // fontconfig's scanner reads it as a TrueType font of the same family.
  std::string scan = RunCommand("fc-scan --format '%{fontformat}|%{family[0]}' '" + file + "'");
  EXPECT_EQ(scan, "TrueType|Loma");
  auto reread = TFontFace::Load(file, 0, "Arial");
  EXPECT_EQ(reread->FamilyName(), "Loma");
  // Glyphs after the last one kept may go; none before it moves.
  EXPECT_EQ(reread->GlyphCount(), *used.rbegin() + 1) << "glyph ids keep their places";
  // The kept glyphs still shape to the same ids and widths.
  auto again = reread->Shape(u"A");
  ASSERT_EQ(again.size(), 1u);
  EXPECT_EQ(again[0].GlyphId, glyphs[2].GlyphId);
  std::filesystem::remove(file);
}

TEST(FontFaceTest, UnreadableFontDataFallsBackToTheSubstitute) {
  // A file that is gone, a file that is not a font, and a font without TrueType outlines.
  std::string garbage = TempFile("garbage.ttf");
  std::ofstream(garbage) << "not a font at all";
  for (const std::string& file : {TempFile("missing.ttf"), garbage}) {
    auto face = TFontFace::Load(file, 0, "Arial");
    EXPECT_EQ(face->FamilyName(), "Garuda") << file;
    EXPECT_FALSE(face->FontData().empty());
  }
  std::filesystem::remove(garbage);
}

}  // namespace
}  // namespace orv
