#pragma once
// The photo capture window: the live camera picture and the button that takes it as the
// member's photo.
#include <memory>

#include "capture/VideoImage.h"
#include "platform/gui/Buttons.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"

namespace orv {

class TForm5 : public TForm {
  ORV_CLASS(TForm5, TForm)

 public:
  explicit TForm5(TComponent* AOwner);
  ~TForm5() override;

  TPaintBox* PaintBox1;  // the live picture, 800 x 600
  TLabel* Label1;        // why the picture stays empty, when it does
  TBitBtn* BitBtn1;      // take the photo
  TBitBtn* BitBtn2;      // cancel

  void FormActivate(TObject* Sender);
  void BitBtn1Click(TObject* Sender);
  void BitBtn2Click(TObject* Sender);
  void FormClose(TObject* Sender, TCloseAction& Action);

  // The camera of this showing of the window; nullptr while it is not shown.
  TVideoImage* Camera() const { return camera_.get(); }

 private:
  void PaintBox1Paint(TObject* Sender);
  void CameraLost(TObject* Sender);
  void ShowStatus(const String& Text);
  void StopCamera();

  std::unique_ptr<TVideoImage> camera_;
  // What the paint box shows: each frame is drawn here and the paint box copies it.
  std::unique_ptr<TBitmap> screen_;
};

extern TForm5* Form5;

}  // namespace orv
