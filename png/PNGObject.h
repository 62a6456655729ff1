#pragma once
// TPNGObject: the PNG image as a graphic of the class library, registered for ".png".
#include "platform/gui/Bitmap.h"
#include "png/PngImage.h"

namespace orv {

// A PNG image that pictures can hold: the codec's image drawn on canvases and built from
// bitmaps. A bitmap assigned from it draws it onto white (TBitmap::Assign does that for every
// graphic).
class TPNGObject : public TGraphic, public TPngImage {
  ORV_CLASS(TPNGObject, TGraphic)

 public:
  TPNGObject();
  ~TPNGObject() override;

  // From another TPNGObject (a full copy) or a TBitmap (rebuilt as a palette or 24-bit image).
  void Assign(TPersistent* source) override;
  // Stretches the image into r with its transparency: bit transparency by palette index or
  // sample, partial transparency by alpha.
  void Draw(TCanvas& canvas, const TRect& r) override;
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  // Through a bitmap both ways: the clipboard's picture is rebuilt without transparency.
  void LoadFromClipboardFormat(const TClipboardData& data) override;
  void SaveToClipboardFormat(TClipboardData& data) override;
  bool Empty() const override { return TPngImage::Empty(); }
  int Width() const override { return TPngImage::Width(); }
  int Height() const override { return TPngImage::Height(); }
  // Resize the image, keeping the other side.
  void SetWidth(int width) override;
  void SetHeight(int height) override;
  std::unique_ptr<TGraphic> Clone() const override;

  // Rebuilds the image from bitmap; with transparent, its pixels of transparentColor become
  // transparent.
  void AssignHandle(TBitmap& bitmap, bool transparent, TColor transparentColor);
};

}  // namespace orv
