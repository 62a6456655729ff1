#include "platform/gui/Graphic.h"

#include "platform/rtl/FileUtils.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TGraphic, c) {}

void TGraphic::LoadFromFile(const String& fileName) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

void TGraphic::SaveToFile(const String& fileName) {
  SafeWriteFile(fileName, [this](const String& temp) {
    TFileStream stream(temp, fmCreate);
    SaveToStream(stream);
  });
}

void TGraphic::LoadFromClipboardFormat(const TClipboardData&) {
  throw EInvalidGraphic("Unsupported clipboard format");
}

void TGraphic::SaveToClipboardFormat(TClipboardData&) { throw EInvalidGraphic("Unsupported clipboard format"); }

void TGraphic::SetTransparent(bool value) {
  if (value == transparent_) return;
  transparent_ = value;
  Changed();
}

void TGraphic::SetModified(bool value) {
  if (value) Changed();
  else modified_ = false;
}

void TGraphic::Changed() {
  modified_ = true;
  if (OnChange) OnChange(this);
}

}  // namespace orv
