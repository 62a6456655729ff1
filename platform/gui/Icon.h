#pragma once
// TIcon: a Windows icon (.ico), drawn with its transparency.
#include <memory>
#include <vector>

#include "platform/gui/Bitmap.h"

namespace orv {

// Keeps the file's bytes for saving and draws the largest image of the icon directory.
class TIcon : public TGraphic {
  ORV_CLASS(TIcon, TGraphic)

 public:
  TIcon();
  ~TIcon() override;

  void Assign(TPersistent* source) override;
  void Draw(TCanvas& canvas, const TRect& r) override;
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  bool Empty() const override;
  int Width() const override;
  int Height() const override;
  // An icon's size comes from its file: EInvalidGraphicOperation.
  void SetWidth(int width) override;
  void SetHeight(int height) override;
  std::unique_ptr<TGraphic> Clone() const override;

 private:
  std::vector<Byte> data_;
  std::unique_ptr<TBitmap> image_;
};

}  // namespace orv
