#include "platform/gui/Graphic.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TGraphic, c) {}

void TGraphic::LoadFromFile(const String& fileName) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

void TGraphic::SaveToFile(const String& fileName) {
  // Written beside the target and renamed over it only when complete, so a failed write
  // leaves the old file.
  String temp = fileName + ".tmp";
  try {
    {
      TFileStream stream(temp, fmCreate);
      SaveToStream(stream);
    }
    if (std::rename(temp.c_str(), fileName.c_str()) != 0)
      throw EFCreateError("Cannot create file \"" + fileName + "\"");
  } catch (...) {
    std::remove(temp.c_str());
    throw;
  }
}

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
