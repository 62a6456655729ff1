#pragma once
// TImageList: pictures of one size kept by index, for tool bars, menus and tree views.
#include <memory>

#include "platform/gui/Controls.h"

namespace orv {

class TBitmap;
class TCanvas;

// A list of equally sized images. A bitmap wider than Width is cut into Width-wide tiles, each
// one image; pictures of another height are scaled to Height.
class TImageList : public TComponent {
  ORV_CLASS(TImageList, TComponent)

 public:
  explicit TImageList(TComponent* AOwner);
  ~TImageList() override;

  // Changing the size empties the list.
  int Width() const { return width_; }
  void SetWidth(int Value);
  int Height() const { return height_; }
  void SetHeight(int Value);
  int Count() const;

  // Adds the tiles of Image; returns the index of the first (-1 for an empty image).
  int Add(TBitmap* Image);
  // As Add, with the pixels of MaskColor left transparent.
  int AddMasked(TBitmap* Image, TColor MaskColor);
  void Delete(int Index);
  void Clear();
  // Copies image Index into Image (sized Width x Height, transparent pixels white).
  void GetBitmap(int Index, TBitmap* Image) const;
  // Draws image Index with its top-left corner at (X, Y); a disabled image is drawn greyed.
  void Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled = true) const;

  TNotifyEvent OnChange;

 private:
  friend struct ImageListAccess;
  void Changed();
  int AddTiles(TBitmap* Image, bool masked, TColor maskColor);
  struct Impl;
  std::unique_ptr<Impl> impl_;
  int width_ = 16;
  int height_ = 16;
};

}  // namespace orv
