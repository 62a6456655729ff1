#include "capture/VideoImage.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>

#include "capture/FrameConversion.h"
#include "capture/MjpegFrame.h"
#include "platform/gui/Application.h"

namespace orv {

namespace {

uint32_t SteadyMilliseconds() {
  using namespace std::chrono;
  return static_cast<uint32_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// A frame is handed on only when the GUI thread was idle this recently; a blocked GUI thread
// thus never finds a pile of frames waiting.
constexpr int kIdleLimitMs = 1000;
// The rate is measured over this many frames.
constexpr int kRateFrames = 30;

}  // namespace

ORV_IMPLEMENT_CLASS(TVideoImage, c) {}

TVideoImage::TVideoImage()
    : bitmap_(std::make_unique<TBitmap>()), clock_(SteadyMilliseconds) {
  bitmap_->SetPixelFormat(pf24bit);
  window_ = std::make_unique<TMessageWindow>([this](TMessage& m) { WndProc(m); });
  appEvents_ = std::make_unique<TApplicationEvents>(nullptr);
  appEvents_->OnIdle = [this](TObject* sender, bool& done) { AppIdle(sender, done); };
  lastIdleTime_ = clock_();
}

TVideoImage::~TVideoImage() {
  VideoStop();
  appEvents_.reset();
  window_.reset();
}

void TVideoImage::SetClock(std::function<uint32_t()> Clock) {
  clock_ = std::move(Clock);
  lastIdleTime_ = clock_();
}

void TVideoImage::GetListOfDevices(TStrings* List) {
  if (List) GetVideoInputDevices(*List);
}

int TVideoImage::VideoStart(const String& DeviceName) {
  VideoStop();
  // No camera thread runs now: its counters and buffers can be reset from here.
  frameCount_ = 0;
  droppedFrames_ = 0;
  framesPerSecond_ = 0;
  lastRateTime_ = 0;
  framesAtRate_ = 0;
  rateStamped_ = false;
  converted_ = false;
  hasFrame_ = false;
  frameReadable_ = false;
  frameBuffers_.Reset();
  lastIdleTime_ = clock_();
  pendingMessages_ = 0;

  videoSample_ = std::make_unique<TVideoSample>();
  videoSample_->OnDeviceLost = [this] { window_->PostMessage(LostMessage); };
  String found;
  if (!Succeeded(videoSample_->StartVideo(DeviceName, found))) {
    VideoStop();
    return 1;
  }
  int width, height;
  uint32_t fourCC;
  if (!Succeeded(videoSample_->GetStreamInfo(width, height, fourCC))) {
    VideoStop();
    return 1;
  }
  frameWidth_ = width;
  frameHeight_ = height;
  fourCC_ = fourCC;
  bytesPerLine_ = videoSample_->BytesPerLine();
  bitmap_->SetPixelFormat(pf24bit);
  bitmap_->SetSize(frameWidth_, frameHeight_);
  videoSample_->SetFrameCallback([this](const uint8_t* buffer, int size) { FrameCallback(buffer, size); });
  return 0;
}

void TVideoImage::VideoStop() {
  framesPerSecond_ = 0;
  videoSample_.reset();
}

void TVideoImage::AppIdle(TObject*, bool& Done) {
  lastIdleTime_ = clock_();
  Done = true;
}

void TVideoImage::FrameCallback(const uint8_t* Buffer, int Size) {
  int count = ++frameCount_;
  uint32_t now = clock_();
  if (count % kRateFrames == 0) {
    // Frames that come within one clock tick give no interval to divide by: the measurement
    // then waits for the next round, counting every frame since the last stamp.
    if (!rateStamped_ || now != lastRateTime_) {
      if (rateStamped_)
        framesPerSecond_ = (count - framesAtRate_) * 1000.0 / static_cast<uint32_t>(now - lastRateTime_);
      lastRateTime_ = now;
      framesAtRate_ = count;
      rateStamped_ = true;
    }
  }
  // A GUI thread that has handled every frame message is waiting for the next one, however
  // long ago it was last idle; without this a picture that paused for a second would never
  // wake the GUI thread again.
  if (std::abs(static_cast<int32_t>(now - lastIdleTime_.load())) > kIdleLimitMs &&
      pendingMessages_ > 0) {
    ++droppedFrames_;
    return;
  }
  frameBuffers_.Publish(Buffer, Size);
  ++pendingMessages_;
  if (!window_->PostMessage(FrameMessage, Size)) --pendingMessages_;
  std::this_thread::yield();
}

void TVideoImage::WndProc(TMessage& Message) {
  if (Message.Msg == LostMessage) {
    VideoStop();
    if (OnDeviceLost) OnDeviceLost(this);
    return;
  }
  if (Message.Msg != FrameMessage) return;
  --pendingMessages_;
  if (busy_) {
    ++droppedFrames_;
    return;
  }
  busy_ = true;
  try {
    if (frameBuffers_.TakeNewest()) {
      converted_ = false;
      hasFrame_ = true;
    }
    DisplayFrame();
    if (OnNewFrame && hasFrame_) OnNewFrame(this, frameWidth_, frameHeight_, frameBuffers_.Data());
  } catch (...) {
    busy_ = false;
    Application->HandleException(this);
    return;
  }
  busy_ = false;
}

void TVideoImage::DisplayFrame() {
  if (!displayCanvas_ || !hasFrame_) return;
  if (!converted_) ConvertFrame(frameBuffers_.Data(), frameBuffers_.Size());
  // A canvas someone else is drawing on is left alone; the next frame comes soon.
  if (!displayCanvas_->TryLock()) return;
  try {
    displayCanvas_->Draw(0, 0, *bitmap_);
  } catch (...) {
    displayCanvas_->Unlock();
    throw;
  }
  displayCanvas_->Unlock();
}

void TVideoImage::DrawFilled(TCanvas& Canvas, const TRect& Box) {
  if (!CurrentFrame()) return;
  const int w = bitmap_->Width(), h = bitmap_->Height();
  const int boxWidth = Box.Right - Box.Left, boxHeight = Box.Bottom - Box.Top;
  if (w <= 0 || h <= 0 || boxWidth <= 0 || boxHeight <= 0) return;
  const double scale = std::max(double(boxWidth) / w, double(boxHeight) / h);
  const int drawnWidth = int(std::lround(w * scale)), drawnHeight = int(std::lround(h * scale));
  const int left = Box.Left + (boxWidth - drawnWidth) / 2, top = Box.Top + (boxHeight - drawnHeight) / 2;
  Canvas.SaveClip();
  Canvas.IntersectClipRect(Box);
  Canvas.StretchDraw(TRect{left, top, left + drawnWidth, top + drawnHeight}, *bitmap_);
  Canvas.RestoreClip();
}

TBitmap* TVideoImage::CurrentFrame() {
  if (frameBuffers_.TakeNewest()) {
    converted_ = false;
    hasFrame_ = true;
  }
  if (!hasFrame_) return nullptr;
  if (!converted_) ConvertFrame(frameBuffers_.Data(), frameBuffers_.Size());
  return bitmap_.get();
}

void TVideoImage::ConvertFrame(const uint8_t* Data, int Size) {
  bool read = false;
  try {
    if (fourCC_ == FourCCCode("MJPG")) {
      jpegStream_.Clear();
      WriteMjpegFrame(Data, Size, jpegStream_);
      jpegStream_.SetPosition(0);
      jpeg_.LoadFromStream(jpegStream_);
      jpeg_.DIBNeeded();
      bitmap_->Canvas().Draw(0, 0, jpeg_);
      read = true;
    } else {
      read = ConvertFrameRows(Data, Size, {fourCC_, frameWidth_, frameHeight_, bytesPerLine_}, RowsOf(*bitmap_));
    }
  } catch (const EInvalidGraphic&) {
    // A damaged frame shows the reason in the picture instead of stopping the camera.
    read = false;
  }
  if (!read) DrawUnknownCompression(*bitmap_, Size, fourCC_);
  converted_ = true;
  frameReadable_ = read;
}

}  // namespace orv
