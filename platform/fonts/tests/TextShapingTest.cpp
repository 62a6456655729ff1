// Text shaped for layout: grapheme clusters as ICU finds them (a Thai tone mark stays with its
// base), advances that add up to the whole, the same word measuring the same wherever it
// stands, and letters the face lacks taken from a face that has them.
#include <gtest/gtest.h>
#include <unicode/brkiter.h>
#include <unicode/unistr.h>

#include <memory>
#include <set>
#include <thread>

#include "platform/fonts/FontShaper.h"
#include "platform/fonts/TextShaping.h"
#include "platform/rtl/CodePages.h"

namespace orv {
namespace {

std::vector<int> IcuGraphemes(const std::u16string& text) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::BreakIterator> it(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
  icu::UnicodeString u(reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.size()));
  it->setText(u);
  std::vector<int> starts;
  for (int32_t p = it->first(); p != icu::BreakIterator::DONE && p < u.length(); p = it->next()) starts.push_back(p);
  return starts;
}

const std::u16string kText = u"ที่นี่ สมชาย ใจดี Bang Chang 73110 คู่สมรส น้ำ";

TEST(TextShaping, ClustersAreGraphemesAndTheirAdvancesMakeTheWhole) {
  auto face = TFontFace::Find("Tahoma", false, false, DEFAULT_CHARSET);
  TTextShape shape;
  ShapeText(*face, 83, kText, shape);
  EXPECT_EQ(shape.Starts, IcuGraphemes(kText));
  ASSERT_EQ(shape.Advances.size(), shape.Starts.size());
  ASSERT_EQ(shape.GlyphStarts.size(), shape.Starts.size() + 1);
  long long sum = 0;
  for (size_t i = 0; i < shape.Advances.size(); ++i) {
    sum += shape.Advances[i];
    EXPECT_GT(shape.GlyphStarts[i + 1], shape.GlyphStarts[i]) << "cluster " << i << " draws nothing";
  }
  TTextMeasure m = MeasureText(*face, 83, kText);
  EXPECT_EQ(m.Clusters, static_cast<int>(shape.Starts.size()));
  EXPECT_EQ(m.Advance, sum);
  // About half an em a letter at 83 pixels, in 1/64 pixel.
  EXPECT_GT(sum / 64.0, 83 * 0.3 * shape.Starts.size());
  EXPECT_LT(sum / 64.0, 83 * 0.8 * shape.Starts.size());
  // Shaped once or many times, in the thread's word cache or not, the same.
  for (int i = 0; i < 3; ++i) EXPECT_EQ(MeasureText(*face, 83, kText).Advance, sum);
}

TEST(TextShaping, AWordMeasuresTheSameAloneAndInARow) {
  auto face = TFontFace::Find("Laksaman", false, false, DEFAULT_CHARSET);
  const std::u16string word = u"สมชาย ";
  long long alone = MeasureText(*face, 100, word).Advance;
  std::u16string row = word + word + u"ใจดี " + word;
  std::vector<int> starts, advances;
  ClusterAdvances(*face, 100, row, starts, advances);
  long long first = 0, last = 0;
  for (size_t i = 0; i < starts.size(); ++i) {
    if (starts[i] < static_cast<int>(word.size())) first += advances[i];
    if (starts[i] >= static_cast<int>(row.size() - word.size())) last += advances[i];
  }
  EXPECT_EQ(first, alone);
  EXPECT_EQ(last, alone);
  // Twice the size, twice the advance, within the rounding of each glyph.
  EXPECT_NEAR(MeasureText(*face, 200, word).Advance, 2 * alone, 8);
}

TEST(TextShaping, LettersTheFaceLacksComeFromAFaceThatHasThem) {
  auto face = TFontFace::Find("Tahoma", false, false, DEFAULT_CHARSET);
  ASSERT_FALSE(face->HasCharacter(U'陳'));
  const std::u16string text = u"สมชาย 陳美玲 Đặng";
  TTextShape shape;
  ShapeText(*face, 83, text, shape);
  std::set<const TFontFace*> faces;
  for (const TPlacedGlyph& g : shape.Glyphs) {
    EXPECT_NE(g.GlyphId, 0u) << "a blank box is drawn";
    faces.insert(g.Face);
  }
  EXPECT_GE(faces.size(), 2u);
  // The Chinese clusters are as wide as the face that draws them makes them: about an em each.
  for (size_t i = 0; i < shape.Starts.size(); ++i)
    if (text[shape.Starts[i]] >= 0x4E00 && text[shape.Starts[i]] <= 0x9FFF) {
      EXPECT_NEAR(shape.Advances[i] / 64.0, 83, 10);
      const TFontFace* drawer = shape.Glyphs[shape.GlyphStarts[i]].Face;
      EXPECT_NE(drawer, face.get());
      EXPECT_TRUE(drawer->HasCharacter(text[shape.Starts[i]]));
    }
  // The PDF's shaping takes the same faces.
  for (const TShapedGlyph& g : face->Shape(text)) {
    EXPECT_NE(g.GlyphId, 0u);
    EXPECT_TRUE(faces.count(g.Face)) << g.Face->FamilyName();
  }
  EXPECT_EQ(face->FallbackFor(U'陳'), face->FallbackFor(U'陳'));
}

TEST(TextShaping, ThaiAndLatinClustersAreIcusGraphemesWhateverStandsAroundThem) {
  auto face = TFontFace::Find("Tahoma", false, false, DEFAULT_CHARSET);
  // Every pair of the Thai block and printable ASCII after a consonant, and after a blank.
  std::u16string letters;
  for (char16_t c = 0x0E01; c <= 0x0E5B; ++c) letters += c;
  for (char16_t c = 0x20; c < 0x7F; ++c) letters += c;
  TTextShape shape;
  for (const char16_t* lead : {u"ก", u" "})
    for (char16_t a : letters) {
      std::u16string text = lead;
      text += a;
      for (char16_t b : letters) text += std::u16string{a, b};
      ShapeText(*face, 83, text, shape);
      ASSERT_EQ(shape.Starts, IcuGraphemes(text)) << static_cast<int>(a);
    }
}

// Long enough that the words of the two sizes fill the thread's cache of shaped words.
TEST(TextShaping, WordsMeasureTheSameAfterTheCacheHasFilledAtTwoSizes) {
  auto face = TFontFace::Find("Laksaman", false, false, DEFAULT_CHARSET);
  auto word = [](int n) {
    std::u16string w = u"ส";
    for (; n > 0; n /= 20) w += static_cast<char16_t>(u'ก' + n % 20);
    return w + u"ย ";
  };
  auto measure = [&](int size, int from, int to) {
    std::vector<long long> advances;
    for (int n = from; n < to; ++n) advances.push_back(MeasureText(*face, size, word(n)).Advance);
    return advances;
  };
  // Measured first where no cache has seen them.
  const std::vector<long long> layout = measure(83, 0, 300), screen = measure(13, 0, 300);
  std::vector<int> starts, advances;
  for (int round = 0; round < 2; ++round) {
    measure(83, 0, 30000);
    measure(13, 0, 15000);
    EXPECT_EQ(measure(83, 0, 300), layout);
    EXPECT_EQ(measure(13, 0, 300), screen);
  }
  // A text of those words gives each word's clusters in turn.
  std::u16string text;
  for (int n = 0; n < 300; ++n) text += word(n);
  ClusterAdvances(*face, 83, text, starts, advances);
  long long sum = 0;
  for (int a : advances) sum += a;
  long long expected = 0;
  for (long long a : layout) expected += a;
  EXPECT_EQ(sum, expected);
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

// Thai sentences are written without blanks: each is one word of hundreds of letters. Kept
// shapes of such words, at two sizes, past the budget of letters the cache keeps, measure as
// they did when first shaped.
TEST(TextShaping, LongThaiSentencesMeasureTheSameKeptOrShapedAgain) {
  auto face = TFontFace::Find("Laksaman", false, false, DEFAULT_CHARSET);
  auto sentence = [](int n) {
    std::u16string s;
    for (int k = 0; s.size() < 1500; ++k) {
      s += static_cast<char16_t>(u'ก' + (n + k) % 36);
      if ((n * 7 + k) % 3 == 0) s += u'\u0E34';
      if ((n + k) % 5 == 0) s += u'\u0E48';
      s += k % 4 ? u'\u0E32' : u'\u0E19';
    }
    return s;
  };
  const std::u16string first = sentence(0);
  const TTextMeasure layout = MeasureText(*face, 83, first), screen = MeasureText(*face, 13, first);
  // A sentence longer than any kept one is shaped each time, the same.
  const std::u16string longer = first + sentence(1);
  EXPECT_EQ(MeasureText(*face, 83, longer).Advance, MeasureText(*face, 83, longer).Advance);
  for (int n = 1; n < 400; ++n) {
    MeasureText(*face, 83, sentence(n));
    MeasureText(*face, 13, sentence(n));
    if (n % 100 == 0) {
      EXPECT_EQ(MeasureText(*face, 83, first).Advance, layout.Advance) << n;
      EXPECT_EQ(MeasureText(*face, 13, first).Advance, screen.Advance) << n;
    }
  }
  std::vector<int> starts, advances;
  ClusterAdvances(*face, 83, first, starts, advances);
  long long sum = 0;
  for (int a : advances) sum += a;
  EXPECT_EQ(sum, layout.Advance);
  EXPECT_EQ(static_cast<int>(starts.size()), layout.Clusters);
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

// Shapes, glyph by glyph, of words at pixelSize, or for 0 at the face's own units as the PDF
// takes them, in a thread of its own whose word cache has seen them first at the sizes before.
std::vector<std::string> ShapesAt(const TFontFace& face, const std::vector<std::u16string>& words,
                                  std::vector<int> before, int pixelSize) {
  std::vector<std::string> shapes;
  std::thread([&] {
    TTextShape shape;
    for (int size : before)
      for (const std::u16string& w : words) ShapeText(face, size, w, shape);
    for (const std::u16string& w : words) {
      std::string s;
      if (pixelSize == 0) {
        for (const TShapedGlyph& g : face.Shape(w))
          s += std::to_string(g.GlyphId) + "@" + std::to_string(g.Cluster) + ":" + std::to_string(g.Advance) + "," +
               std::to_string(g.OffsetX) + "," + std::to_string(g.OffsetY) + (g.Face == &face ? " " : "f ");
        shapes.push_back(s);
        continue;
      }
      ShapeText(face, pixelSize, w, shape);
      for (size_t i = 0; i < shape.Starts.size(); ++i)
        s += std::to_string(shape.Starts[i]) + ":" + std::to_string(shape.Advances[i]) + ":" +
             std::to_string(shape.GlyphStarts[i + 1]) + " ";
      for (const TPlacedGlyph& g : shape.Glyphs)
        s += std::to_string(g.GlyphId) + "@" + std::to_string(g.X) + "," + std::to_string(g.Y) +
             (g.Face == &face ? " " : "f ");
      shapes.push_back(s);
    }
  }).join();
  return shapes;
}

// The screen draws a page's words at a small size after the layout shaped them at 600 dpi; a
// word the layout's shaping placed no glyph in is not shaped again. Its glyphs, clusters and
// advances are those the shaper gives at the small size, Thai marks and Latin alike.
TEST(TextShaping, AWordShapedForTheLayoutFirstHasTheScreensOwnShape) {
  std::vector<std::u16string> words;
  const std::u16string consonants = u"กขคงจชซดตถทนบปผพฟมยรลวสหอฮฎฏฐ", marks = u"\u0E34\u0E35\u0E36\u0E37\u0E38\u0E39\u0E31\u0E47";
  for (size_t i = 0; i < 600; ++i) {
    std::u16string w;
    if (i % 4 == 3) w += static_cast<char16_t>(u'A' + i % 26) + std::u16string(u"ffiVAWaTo.,").substr(i % 7, 3);
    if (i % 5 == 1) w += u'\u0E40';
    w += consonants[i % consonants.size()];
    if (i % 3) w += marks[i % marks.size()];
    if (i % 2) w += static_cast<char16_t>(0x0E48 + i % 4);
    w += i % 6 == 0 ? u"\u0E33" : u"\u0E32";
    w += consonants[(i * 7) % consonants.size()];
    w += u' ';
    words.push_back(w);
  }
  words.push_back(u"ก\u200Bข\u00A0x\u0301 ");
  words.push_back(u"陳 漢字 ");
  for (const char* name : {"Tahoma", "Laksaman", "Arial"}) {
    auto face = TFontFace::Find(name, false, false, DEFAULT_CHARSET);
    for (int size : {8, 13, 16, 21}) {
      const std::vector<std::string> alone = ShapesAt(*face, words, {}, size);
      EXPECT_EQ(ShapesAt(*face, words, {83}, size), alone) << name << " " << size;
      EXPECT_EQ(ShapesAt(*face, words, {125, 83}, size), alone) << name << " " << size;
    }
  }
}

TEST(TextShaping, AWordTheLayoutShapedHasThePdfsOwnShape) {
  // The PDF shapes a memo's words after the layout did: a word whose glyphs the layout's shaping
  // placed nowhere is not shaped again. Its glyphs, clusters and advances must be those the
  // shaper gives at the face's own units, for Latin, digits, Thai with and without marks.
  std::vector<std::u16string> words;
  const std::u16string consonants = u"กขคงจชซดตถทนบปผพฟมยรลวสหอฮฎฏฐ";
  for (size_t i = 0; i < 400; ++i) {
    std::u16string w;
    if (i % 4 == 0) w += static_cast<char16_t>(u'A' + i % 26) + std::u16string(u"ffiVAWaTo.,-/").substr(i % 9, 4);
    if (i % 5 == 1) w += u'\u0E40';
    w += consonants[i % consonants.size()];
    if (i % 7 == 2) w += static_cast<char16_t>(0x0E48 + i % 4);
    if (i % 11 == 3) w += u"\u0E31\u0E19";
    w += i % 13 == 0 ? u"\u0E33" : u"\u0E32";
    if (i % 3 == 0) w += u"\u00A0" + std::u16string(1, static_cast<char16_t>(u'0' + i % 10));
    w += consonants[(i * 7) % consonants.size()];
    if (i % 2) w += u' ';
    words.push_back(w);
  }
  for (const char* latin : {"Somchai ", "Jaidee-Saengthong", "73110, ", "AVAWAY ", "office ", "Tc.Yo"})
    words.push_back(Utf8ToWide(latin));
  for (const char* name : {"Tahoma", "Laksaman", "Arial"}) {
    auto face = TFontFace::Find(name, false, false, DEFAULT_CHARSET);
    const std::vector<std::string> alone = ShapesAt(*face, words, {}, 0);
    EXPECT_EQ(ShapesAt(*face, words, {83}, 0), alone) << name;
    EXPECT_EQ(ShapesAt(*face, words, {13, 125}, 0), alone) << name;
  }
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

// A word's shape as drawn, glyph by glyph: each glyph's face, id and place from the word's start,
// the word's whole advance and where its clusters start.
std::string Drawn(const TTextShape& shape, const TFontFace& face) {
  std::string s;
  long long pen = 0;
  for (size_t i = 0; i < shape.Starts.size(); ++i) {
    for (int k = shape.GlyphStarts[i]; k < shape.GlyphStarts[i + 1]; ++k) {
      const TPlacedGlyph& g = shape.Glyphs[k];
      s += std::to_string(g.GlyphId) + "@" + std::to_string(pen + g.X) + "," + std::to_string(g.Y) +
           (g.Face == &face ? " " : "f ");
    }
    pen += shape.Advances[i];
  }
  s += "| " + std::to_string(pen) + " |";
  for (int start : shape.Starts) s += " " + std::to_string(start);
  return s;
}

// The same from the shaper's own glyphs for the word, each placed at the pen plus its offset.
std::string Shaped(const TFontFace& face, int pixelSize, const std::u16string& word) {
  std::vector<TRawGlyph> glyphs;
  TFontShaper::Shape(face, pixelSize, word, 0, word.size(), HB_SCRIPT_INVALID, glyphs);
  std::string s;
  long long pen = 0;
  for (const TRawGlyph& g : glyphs) {
    s += std::to_string(g.Id) + "@" + std::to_string(pen + g.X) + "," + std::to_string(g.Y) +
         (g.Face == &face ? " " : "f ");
    pen += g.Advance;
  }
  s += "| " + std::to_string(pen) + " |";
  for (int start : IcuGraphemes(word)) s += " " + std::to_string(start);
  return s;
}

// Kept words are read back from where the cache packed them: the first time, again, and after
// the same words were kept at another size, each draws and measures as the shaper shapes it.
TEST(TextShaping, KeptWordsDrawAsTheShaperShapesThem) {
  std::vector<std::u16string> words = {u"ที่นี่", u"น้ำใจ", u"กำลังใจ", u"ปฏิทิน", u"ฐิติรัตน์",
                                       u"AVAWAY", u"Tomato", u"office", u"Yo.Wa,", u"ก\u200Bข", u"陳漢字"};
  std::u16string sentence;
  for (int k = 0; sentence.size() < 1800; ++k) {
    sentence += static_cast<char16_t>(u'ก' + k % 36);
    if (k % 3 == 0) sentence += u'\u0E34';
    if (k % 5 == 0) sentence += u'\u0E48';
    sentence += k % 4 ? u'\u0E32' : u'\u0E19';
  }
  words.push_back(sentence);
  for (const char* name : {"Tahoma", "Laksaman", "Arial"}) {
    auto face = TFontFace::Find(name, false, false, DEFAULT_CHARSET);
    for (int size : {13, 83}) {
      std::thread([&] {
        TTextShape shape;
        for (int other : {0, 21}) {
          for (const std::u16string& w : words) {
            if (other) ShapeText(*face, other, w, shape);
            const std::string expected = Shaped(*face, size, w);
            for (int round = 0; round < 2; ++round) {
              ShapeText(*face, size, w, shape);
              EXPECT_EQ(Drawn(shape, *face), expected) << name << " " << size << " " << " word " << &w - words.data();
              const TTextMeasure m = MeasureText(*face, size, w);
              EXPECT_EQ(m.Clusters, static_cast<int>(shape.Starts.size()));
              long long sum = 0;
              for (int a : shape.Advances) sum += a;
              EXPECT_EQ(m.Advance, sum);
            }
          }
        }
      }).join();
    }
  }
}

}  // namespace
}  // namespace orv
