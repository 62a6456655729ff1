#include "report/engine/tests/StoreObjects.h"

#include <algorithm>
#include <cmath>

#include "platform/gui/Canvas.h"
#include "platform/rtl/ClassRegistry.h"
#include "report/model/LegacyText.h"
#include "report/model/Report.h"

namespace orv {

using test::TStoreBand;
using test::TStoreLine;
using test::TStoreMemo;
using test::TStorePicture;

#define ORV_STORE_GEOMETRY(T)                                            \
  c.Prop("Left", &T::Left, &T::SetLeft);                                 \
  c.Prop("Top", &T::Top, &T::SetTop);                                    \
  c.Prop("Width", &T::Width, &T::SetWidth);                              \
  c.Prop("Height", &T::Height, &T::SetHeight);                           \
  c.Prop("Visible", &T::Visible, &T::SetVisible).Default(true);

ORV_IMPLEMENT_CLASS(TStoreMemo, c) {
  ORV_STORE_GEOMETRY(TStoreMemo)
  c.Prop("Font", &TStoreMemo::Font, &TStoreMemo::SetFont);
  c.Prop("ParentFont", &TStoreMemo::ParentFont, &TStoreMemo::SetParentFont).Default(true);
  c.Prop("Memo", &TStoreMemo::Memo, &TStoreMemo::SetMemo);
  c.Prop("DataSet", &TStoreMemo::DataSet, &TStoreMemo::SetDataSet);
  c.Prop("DataField", &TStoreMemo::DataField, &TStoreMemo::SetDataField);
}
ORV_IMPLEMENT_CLASS(TStoreLine, c) { ORV_STORE_GEOMETRY(TStoreLine) }
ORV_IMPLEMENT_CLASS(TStorePicture, c) {
  ORV_STORE_GEOMETRY(TStorePicture)
  c.Prop("Picture", &TStorePicture::Picture, &TStorePicture::SetPicture);
  c.Prop("ImageIndex", &TStorePicture::ImageIndex, &TStorePicture::SetImageIndex).Default(0);
}
ORV_IMPLEMENT_CLASS(TStoreBand, c) { ORV_STORE_GEOMETRY(TStoreBand) }

namespace test {
void TStoreMemo::Draw(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) {
  ++Drawn;
  // 13 report pixels (about 10 points) in the canvas's own pixels, on screen and on paper alike.
  canvas->Font().SetHeight(-std::max(1, static_cast<int>(std::lround(13 * scaleY))));
  canvas->Brush().SetStyle(bsClear);
  String line = Text();
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  canvas->TextOut(static_cast<int>(std::lround(AbsLeft() * scaleX + offsetX)),
                  static_cast<int>(std::lround(AbsTop() * scaleY + offsetY)), line);
}

TStoreMemo::TStoreMemo(TComponent* owner) : TkvxReportComponent(owner), memo_(std::make_unique<TWideStrings>()) {
  Traits |= otFullDiff;
}

String TStoreMemo::Text() const { return kvxWideToUtf8(memo_->Text()); }

void TStoreMemo::SetText(const String& text) { memo_->SetText(kvxUtf8ToWide(text)); }

TStorePicture::TStorePicture(TComponent* owner) : TkvxReportComponent(owner), picture_(std::make_unique<TPicture>()) {}

String TStorePicture::Diff(TkvxComponent* templ) {
  String out = GetBaseDiff(templ);
  auto* t = dynamic_cast<TStorePicture*>(templ);
  if (!t || t->imageIndex_ != imageIndex_) out += " ImageIndex=\"" + std::to_string(imageIndex_) + "\"";
  return out;
}

void RegisterStoreObjectClasses() {
  kvxRegisterModelClasses();
  RegisterClasses({TStoreMemo::StaticClass(), TStoreLine::StaticClass(), TStorePicture::StaticClass(),
                   TStoreBand::StaticClass()});
}

}  // namespace test
}  // namespace orv
