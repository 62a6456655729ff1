#include "script/GraphicsBindings.h"

#include <algorithm>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/Colors.h"
#include "platform/gui/Graphic.h"
#include "platform/gui/Graphics.h"
#include "platform/gui/Metafile.h"
#include "platform/gui/Picture.h"
#include "platform/rtl/ObjectHandles.h"
#include "script/BindingCallbacks.h"
#include "script/Script.h"

namespace orv {

std::unique_ptr<TsxRTTIModule> sxCreateGraphicsFunctions(TsxScript* script) {
  return std::make_unique<TsxGraphicsFunctions>(script);
}

namespace {

using Caller = TsxMethodHelper;

using sxbind::Method;
using sxbind::Self;

int Int(Caller& c, int i) { return c.GetParamValue(i).ToInteger(); }

// A script asking for a picture the size of the machine's memory gets an error instead.
int CheckedSide(const Variant& value, int otherSide) {
  const Int64 side = value.ToInt64();
  if (side > 32768 || side * std::max(otherSide, 1) > (Int64{1} << 26))
    throw EOutOfMemory("Out of system resources");
  return static_cast<int>(side);
}

template <class T>
TsxCallMethodNewEvent Make() {
  return [](TObject*, TClass, const String&, Caller&) { return sxObjectToValue(new T()); };
}

}  // namespace

TsxGraphicsFunctions::TsxGraphicsFunctions(TsxScript* script) : TsxRTTIModule(script) {
  TsxScript& s = *Script;
  GetColorValues([&s](const String& name) {
    TColor color;
    if (IdentToColor(name, color)) s.AddConst(name, "Integer", Variant(static_cast<Integer>(color)));
  });
  s.AddEnumSet("TFontStyles", "fsBold, fsItalic, fsUnderline, fsStrikeout");
  s.AddEnum("TFontPitch", "fpDefault, fpVariable, fpFixed");
  s.AddEnum("TPenStyle", "psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame");
  s.AddEnum("TPenMode",
            "pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot, pmMergeNotPen, "
            "pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor");
  s.AddEnum("TBrushStyle", "bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross");

  s.AddClass(TFont::StaticClass(), "TPersistent")->AddConstructor("constructor Create", Make<TFont>());
  s.AddClass(TPen::StaticClass(), "TPersistent")->AddConstructor("constructor Create", Make<TPen>());
  s.AddClass(TBrush::StaticClass(), "TPersistent")->AddConstructor("constructor Create", Make<TBrush>());

  TsxClassVariable* canvas = s.AddClass(TCanvas::StaticClass(), "TPersistent");
  canvas->AddConstructor("constructor Create", Make<TCanvas>());
  canvas->AddMethod("procedure Draw(X, Y: Integer; Graphic: TGraphic)", Method<TCanvas>([](TCanvas& self, Caller& c) {
                      self.Draw(Int(c, 0), Int(c, 1), Self<TGraphic>(sxValueToObject(c.GetParamValue(2))));
                      return Variant();
                    }));
  canvas->AddMethod("procedure Ellipse(X1, Y1, X2, Y2: Integer)", Method<TCanvas>([](TCanvas& self, Caller& c) {
                      self.Ellipse(Int(c, 0), Int(c, 1), Int(c, 2), Int(c, 3));
                      return Variant();
                    }));
  canvas->AddMethod("procedure LineTo(X, Y: Integer)", Method<TCanvas>([](TCanvas& self, Caller& c) {
                      self.LineTo(Int(c, 0), Int(c, 1));
                      return Variant();
                    }));
  canvas->AddMethod("procedure MoveTo(X, Y: Integer)", Method<TCanvas>([](TCanvas& self, Caller& c) {
                      self.MoveTo(Int(c, 0), Int(c, 1));
                      return Variant();
                    }));
  canvas->AddMethod("procedure Rectangle(X1, Y1, X2, Y2: Integer)", Method<TCanvas>([](TCanvas& self, Caller& c) {
                      self.Rectangle(Int(c, 0), Int(c, 1), Int(c, 2), Int(c, 3));
                      return Variant();
                    }));
  canvas->AddMethod("procedure RoundRect(X1, Y1, X2, Y2, X3, Y3: Integer)", Method<TCanvas>([](TCanvas& self, Caller& c) {
                      self.RoundRect(Int(c, 0), Int(c, 1), Int(c, 2), Int(c, 3), Int(c, 4), Int(c, 5));
                      return Variant();
                    }));
  canvas->AddMethod("procedure StretchDraw(X1, Y1, X2, Y2: Integer; Graphic: TGraphic)",
                    Method<TCanvas>([](TCanvas& self, Caller& c) {
                      self.StretchDraw(Rect(Int(c, 0), Int(c, 1), Int(c, 2), Int(c, 3)),
                                       Self<TGraphic>(sxValueToObject(c.GetParamValue(4))));
                      return Variant();
                    }));
  canvas->AddMethod("function TextHeight(const Text: string): Integer", Method<TCanvas>([](TCanvas& self, Caller& c) {
                      return Variant(self.TextHeight(c.GetParamValue(0).ToString()));
                    }));
  canvas->AddMethod("procedure TextOut(X, Y: Integer; const Text: string)", Method<TCanvas>([](TCanvas& self, Caller& c) {
                      self.TextOut(Int(c, 0), Int(c, 1), c.GetParamValue(2).ToString());
                      return Variant();
                    }));
  canvas->AddMethod("function TextWidth(const Text: string): Integer", Method<TCanvas>([](TCanvas& self, Caller& c) {
                      return Variant(self.TextWidth(c.GetParamValue(0).ToString()));
                    }));
  canvas->AddIndexProperty("Pixels", "Integer, Integer", "TColor",
                           [](TObject* instance, TClass, const String& name, Caller& c) -> Variant {
                             TCanvas& self = Self<TCanvas>(instance);
                             if (name == "PIXELS.SET") {
                               self.SetPixels(Int(c, 0), Int(c, 1), c.GetParamValue(2).ToInteger());
                               return Variant();
                             }
                             return Variant(static_cast<Integer>(self.Pixels(Int(c, 0), Int(c, 1))));
                           },
                           false);

  TsxClassVariable* graphic = s.AddClass(TGraphic::StaticClass(), "TPersistent");
  // The class the script named makes the graphic: TBitmap.Create gives a bitmap.
  graphic->AddConstructor("constructor Create", [](TObject*, TClass cls, const String&, Caller&) {
    if (!cls || !cls->InheritsFrom(TGraphic::StaticClass())) throw EInvalidOperation("No graphic class to create");
    return sxObjectToValue(cls->CreateObject().release());
  });
  graphic->AddMethod("procedure LoadFromFile(const Filename: string)", Method<TGraphic>([](TGraphic& self, Caller& c) {
                       self.LoadFromFile(c.GetParamValue(0).ToString());
                       return Variant();
                     }));
  graphic->AddMethod("procedure SaveToFile(const Filename: string)", Method<TGraphic>([](TGraphic& self, Caller& c) {
                       self.SaveToFile(c.GetParamValue(0).ToString());
                       return Variant();
                     }));
  graphic->AddProperty(
      "Height", "Integer",
      [](TObject* instance, TClass, const String&) { return Variant(Self<TGraphic>(instance).Height()); },
      [](TObject* instance, TClass, const String&, const Variant& v) {
        TGraphic& self = Self<TGraphic>(instance);
        self.SetHeight(CheckedSide(v, self.Width()));
      });
  graphic->AddProperty(
      "Width", "Integer",
      [](TObject* instance, TClass, const String&) { return Variant(Self<TGraphic>(instance).Width()); },
      [](TObject* instance, TClass, const String&, const Variant& v) {
        TGraphic& self = Self<TGraphic>(instance);
        self.SetWidth(CheckedSide(v, self.Height()));
      });

  TsxClassVariable* picture = s.AddClass(TPicture::StaticClass(), "TPersistent");
  picture->AddMethod("procedure LoadFromFile(const Filename: string)", Method<TPicture>([](TPicture& self, Caller& c) {
                       self.LoadFromFile(c.GetParamValue(0).ToString());
                       return Variant();
                     }));
  picture->AddMethod("procedure SaveToFile(const Filename: string)", Method<TPicture>([](TPicture& self, Caller& c) {
                       self.SaveToFile(c.GetParamValue(0).ToString());
                       return Variant();
                     }));
  picture->AddProperty("Height", "Integer",
                       [](TObject* instance, TClass, const String&) { return Variant(Self<TPicture>(instance).Height()); },
                       nullptr);
  picture->AddProperty("Width", "Integer",
                       [](TObject* instance, TClass, const String&) { return Variant(Self<TPicture>(instance).Width()); },
                       nullptr);

  s.AddClass(TMetafile::StaticClass(), "TGraphic");
  TsxClassVariable* metaCanvas = s.AddClass(TMetafileCanvas::StaticClass(), "TCanvas");
  metaCanvas->AddConstructor("constructor Create(AMetafile: TMetafile; ReferenceDevice: Integer)",
                             [](TObject*, TClass, const String&, Caller& c) {
                               TMetafile& metafile = Self<TMetafile>(sxValueToObject(c.GetParamValue(0)));
                               auto* made = new TMetafileCanvas(metafile);
                               HoldObject(made, &metafile);
                               return sxObjectToValue(made);
                             });
  TsxClassVariable* bitmap = s.AddClass(TBitmap::StaticClass(), "TGraphic");
  bitmap->AddProperty("Canvas", "TCanvas",
                      [](TObject* instance, TClass, const String&) {
                        return sxObjectToValue(&Self<TBitmap>(instance).Canvas());
                      },
                      nullptr);
}

}  // namespace orv
