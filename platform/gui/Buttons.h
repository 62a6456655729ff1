#pragma once
// Buttons with pictures: bit buttons (push buttons with a glyph and a kind) and speed buttons.
#include <memory>

#include "platform/gui/StdCtrls.h"

namespace orv {

class TBitmap;

ORV_ENUM(TBitBtnKind, bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry,
         bkIgnore, bkAll);

// A push button with a picture. A Kind other than bkCustom gives the caption, the modal result
// and a stock picture; bkClose closes its form when clicked.
class TBitBtn : public TButton {
  ORV_CLASS(TBitBtn, TButton)

 public:
  explicit TBitBtn(TComponent* AOwner);
  ~TBitBtn() override;
  TBitBtnKind Kind() const { return kind_; }
  void SetKind(TBitBtnKind Value);
  TBitmap* Glyph() const { return glyph_.get(); }
  void SetGlyph(TBitmap* Value);
  void Click() override;

 private:
  void ApplyGlyph();
  std::unique_ptr<TBitmap> glyph_;
  TBitBtnKind kind_ = bkCustom;
};

// A flat button that can stay down; buttons of one parent with the same GroupIndex (not 0)
// are down one at a time.
class TSpeedButton : public TGraphicControl {
  ORV_CLASS(TSpeedButton, TGraphicControl)

 public:
  explicit TSpeedButton(TComponent* AOwner);
  ~TSpeedButton() override;
  TBitmap* Glyph() const { return glyph_.get(); }
  void SetGlyph(TBitmap* Value);
  bool Down() const;
  void SetDown(bool Value);
  int GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int Value);
  bool AllowAllUp() const { return allowAllUp_; }
  void SetAllowAllUp(bool Value) { allowAllUp_ = Value; }
  bool Flat() const;
  void SetFlat(bool Value);
  void Click() override;

 protected:
  String GetText() const override;
  void SetTextValue(const String& Value) override;
  bool ClicksOnMouseUp() const override { return false; }

 private:
  void ApplyGlyph();
  std::unique_ptr<TBitmap> glyph_;
  int groupIndex_ = 0;
  bool allowAllUp_ = false;
};

}  // namespace orv
