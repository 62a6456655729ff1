#pragma once
// Pictures: a graphic stored in the report, or loaded from a stream whose first bytes tell its
// kind, drawn stretched (keeping its proportions or not), centred or at its natural size.
#include <memory>

#include "platform/gui/Picture.h"
#include "report/model/View.h"

namespace orv {

class TkvxPictureView : public TkvxView {
  ORV_CLASS(TkvxPictureView, TkvxView)

 public:
  static constexpr Integer E_INVALIDARG = static_cast<Integer>(0x80070057);

  explicit TkvxPictureView(TComponent* owner);
  ~TkvxPictureView() override;
  String GetDescription() const override { return "obPicture"; }
  void Draw(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) override;
  // The picture goes into the prepared pages' picture cache when it changed since it was last
  // recorded; the diff then names its cache index.
  String Diff(TkvxComponent* templ) override;
  // The picture of FileLink (its bracketed expressions expanded; none when the file is missing),
  // else of the bound blob field.
  void GetData() override;
  // 0 when a graphic was recognised and loaded, E_INVALIDARG (and an empty picture) otherwise.
  // A damaged graphic of a recognised kind raises its own error.
  Integer LoadPictureFromStream(TStream& stream, bool fromStart);

  bool AutoSize() const { return autoSize_; }
  // With a graphic, the view takes its size.
  void SetAutoSize(bool value);
  TPicture* Picture() const { return picture_.get(); }
  void SetPicture(TPicture* value) { picture_->Assign(value); }
  bool Center = false;
  String FileLink;
  Integer ImageIndex = 0;
  // Which of picture and cache index is written: the prepared pages switch to the index.
  bool IsImageIndexStored = false;
  bool IsPictureStored = true;
  bool KeepAspectRatio = true;
  bool Stretched = true;
  bool HightQuality = false;
  // The picture changed since the view was last recorded.
  bool PictureChanged = false;

 private:
  void PictureChangedHandler();
  std::unique_ptr<TPicture> picture_;
  bool autoSize_ = false;
};

}  // namespace orv
