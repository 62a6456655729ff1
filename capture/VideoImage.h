#pragma once
// TVideoImage: the live camera picture of the photo window. Frames arrive on the camera's
// thread, are handed to the GUI thread through three buffers, converted into a 24-bit bitmap
// and drawn on a display canvas.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "capture/FrameBuffers.h"
#include "capture/VideoSample.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/JPEGImage.h"
#include "platform/gui/MessageWindow.h"

namespace orv {

using TNewFrameEvent = std::function<void(TObject* Sender, int Width, int Height, const uint8_t* Data)>;

class TVideoImage : public TObject {
  ORV_CLASS(TVideoImage, TObject)

 public:
  // The private message that tells the GUI thread a frame has come.
  static constexpr int FrameMessage = 1686;

  // On the GUI thread.
  TVideoImage();
  // Stops the capture first, so no frame arrives into a half-freed object.
  ~TVideoImage() override;

  // The names of the cameras, in the system's order; empty when there is none.
  void GetListOfDevices(TStrings* List);
  // Where each new frame is drawn, at (0, 0); nullptr: frames are received but not converted.
  void SetDisplayCanvas(TCanvas* Canvas) { displayCanvas_ = Canvas; }
  // 0 when the camera runs, 1 when it could not be started (nothing is left running).
  int VideoStart(const String& DeviceName);
  // Stops and frees the capture; harmless when nothing runs.
  void VideoStop();
  bool Running() const { return videoSample_ != nullptr; }

  // The newest frame converted into the bitmap; nullptr when none has come since the start.
  TBitmap* CurrentFrame();
  // The newest frame, converted, scaled to fill Box with its centre kept: a frame of other
  // proportions loses what sticks out (the sides of a wide frame). Nothing without a frame.
  void DrawFilled(TCanvas& Canvas, const TRect& Box);
  // The converted picture, FrameWidth x FrameHeight, 24 bits per pixel.
  TBitmap& Bitmap() { return *bitmap_; }
  int FrameWidth() const { return frameWidth_; }
  int FrameHeight() const { return frameHeight_; }
  uint32_t FourCC() const { return fourCC_; }
  int FrameCount() const { return frameCount_; }
  // Whether the newest converted frame was read (not "Unknown compression").
  bool FrameReadable() const { return frameReadable_; }
  int DroppedFrames() const { return droppedFrames_; }
  double FramesPerSecond() const { return framesPerSecond_; }

  // Milliseconds of a steady clock; the frame rate and the idle rule read it. Set only while
  // stopped (tests put in a clock of their own).
  void SetClock(std::function<uint32_t()> Clock);

  TNewFrameEvent OnNewFrame;
  // On the GUI thread, after a camera that failed or was unplugged has been stopped.
  TNotifyHandler OnDeviceLost;

 private:
  static constexpr int LostMessage = FrameMessage + 1;
  void FrameCallback(const uint8_t* Buffer, int Size);
  void WndProc(TMessage& Message);
  void AppIdle(TObject* Sender, bool& Done);
  void DisplayFrame();
  void ConvertFrame(const uint8_t* Data, int Size);

  std::unique_ptr<TVideoSample> videoSample_;
  std::unique_ptr<TBitmap> bitmap_;
  TJPEGImage jpeg_;
  TMemoryStream jpegStream_;
  TCanvas* displayCanvas_ = nullptr;
  TFrameBuffers frameBuffers_;
  std::unique_ptr<TMessageWindow> window_;
  std::unique_ptr<TApplicationEvents> appEvents_;
  std::function<uint32_t()> clock_;

  // Written by the camera's thread (dropped frames by both), read by the GUI thread.
  std::atomic<int> frameCount_ = 0;
  std::atomic<int> droppedFrames_ = 0;
  std::atomic<double> framesPerSecond_ = 0;
  std::atomic<uint32_t> lastIdleTime_ = 0;
  // Frame messages posted and not yet handled.
  std::atomic<int> pendingMessages_ = 0;
  // The camera's thread only (reset while it does not run).
  uint32_t lastRateTime_ = 0;
  int framesAtRate_ = 0;
  bool rateStamped_ = false;
  // The GUI thread only.
  int frameWidth_ = 0;
  int frameHeight_ = 0;
  uint32_t fourCC_ = 0;
  int bytesPerLine_ = 0;
  bool frameReadable_ = false;
  bool busy_ = false;
  bool converted_ = false;
  bool hasFrame_ = false;
};

}  // namespace orv
