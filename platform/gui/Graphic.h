#pragma once
// TGraphic: what bitmaps, JPEG images, icons, metafiles and PNG images have in common.
#include <memory>

#include "platform/gui/Graphics.h"
#include "platform/rtl/Streams.h"

namespace orv {

class TCanvas;
struct TClipboardData;

// An image that draws itself into a rectangle of a canvas and loads and saves its file form.
class TGraphic : public TPersistent {
  ORV_CLASS(TGraphic, TPersistent)

 public:
  // Draws stretched into r (the right and bottom edges excluded).
  virtual void Draw(TCanvas& canvas, const TRect& r) = 0;
  virtual void LoadFromStream(TStream& stream) = 0;
  virtual void SaveToStream(TStream& stream) = 0;
  virtual void LoadFromFile(const String& fileName);
  virtual void SaveToFile(const String& fileName);
  // The graphic from what the clipboard holds in one format, and the graphic in the format it
  // puts on the clipboard; EInvalidGraphic where a graphic has no clipboard form.
  virtual void LoadFromClipboardFormat(const TClipboardData& data);
  virtual void SaveToClipboardFormat(TClipboardData& data);

  virtual bool Empty() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetWidth(int width) = 0;
  virtual void SetHeight(int height) = 0;
  virtual bool Transparent() const { return transparent_; }
  virtual void SetTransparent(bool value);
  bool Modified() const { return modified_; }
  void SetModified(bool value);

  // A new graphic of the same class holding a copy of this one.
  virtual std::unique_ptr<TGraphic> Clone() const = 0;

  TNotifyHandler OnChange;

 protected:
  // Marks the graphic modified and fires OnChange.
  void Changed();

 private:
  bool transparent_ = false;
  bool modified_ = false;
};

}  // namespace orv
