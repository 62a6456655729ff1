#pragma once
// TLumGDIPPicture: an image file kept as its encoded bytes and drawn through the kit's drawing
// layer, so a PNG keeps its alpha on a smooth control.
#include <memory>
#include <vector>

#include "controls/LumSmoothGDIP.h"
#include "platform/gui/Graphic.h"

namespace orv {

class TGPTextureBrush;

class TLumGDIPPicture : public TGraphic {
  ORV_CLASS(TLumGDIPPicture, TGraphic)

 public:
  TLumGDIPPicture();

  // From another TLumGDIPPicture (its bytes), a TGraphic or a TPicture (the graphic's file
  // form); nullptr clears and fires OnChange, then OnClear.
  void Assign(TPersistent* Source) override;
  // Keeps the file's bytes; the size comes from the file's header as its extension names it.
  void LoadFromFile(const String& FileName) override;
  // A nil or empty stream changes nothing.
  void LoadFromStream(TStream& Stream) override;
  void SaveToStream(TStream& Stream) override;
  // Scaled into R; bytes that do not decode draw nothing.
  void Draw(TCanvas& Canvas, const TRect& R) override;
  // Scaled into Rect, except a transparent BMP: at its own size, with the colour of its top-left
  // pixel left out.
  void GDIPDraw(TGPGraphics& Graphics, const TGPRectF& Rect);
  // The decoded image tiling from the origin; nullptr when the bytes do not decode.
  std::unique_ptr<TGPTextureBrush> CreateTextureBrush() const;
  // Decodes the bytes to learn the size; false when they do not decode.
  bool ReadImageSize();

  bool Empty() const override { return empty_; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  // The size is the image's own: setting it does nothing.
  void SetWidth(int) override {}
  void SetHeight(int) override {}
  std::unique_ptr<TGraphic> Clone() const override;
  const std::vector<Byte>& Bytes() const { return bytes_; }

  TNotifyHandler OnClear;

 private:
  // The image of the bytes: PNG through the project's codec, other formats through the
  // platform's readers.
  std::unique_ptr<TGPImage> Decode() const;
  void SetBytes(std::vector<Byte> bytes);

  std::vector<Byte> bytes_;
  bool empty_ = true;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace orv
