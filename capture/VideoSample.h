#pragma once
// TVideoSample: one capture session on one camera: finds the device by name or position,
// starts its stream and hands every frame to the frame callback on the stream's thread.
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/rtl/StringList.h"
#include "platform/video/VideoDevice.h"

namespace orv {

// Results of the capture calls: 0 succeeds, negative values fail.
using HRESULT = int32_t;
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
inline bool Succeeded(HRESULT hr) { return hr >= 0; }

// Clears List and adds the name of every camera in the system's order.
HRESULT GetVideoInputDevices(TStrings& List);

class TVideoSample {
 public:
  // Called on the stream's thread with each frame; the bytes are valid during the call only.
  using TFrameCallback = std::function<void(const uint8_t* Buffer, int Size)>;

  // ForceRGB: frames reach the callback as rows of blue, green, red whatever the camera
  // sends (converted on the stream's thread), and GetStreamInfo says so with FourCC 0.
  explicit TVideoSample(bool ForceRGB = false);
  // Stops the stream (waiting for a frame callback that runs) before anything goes.
  ~TVideoSample();
  TVideoSample(const TVideoSample&) = delete;
  TVideoSample& operator=(const TVideoSample&) = delete;

  // DeviceName is a camera's name (blanks around it and letter case do not matter) or "#1"
  // to "#9" for a position; empty means "#1". FoundName receives the camera's own name.
  HRESULT StartVideo(const String& DeviceName, String& FoundName);
  // The size and format of the frames: the format's four characters as FourCCCode packs
  // them ("I420" for V4L2's YU12), or 0 for rows of blue, green, red.
  HRESULT GetStreamInfo(int& Width, int& Height, uint32_t& FourCC);
  // The length of one row of the frames (of their luma plane for planar formats), padding
  // included; 0 for compressed frames.
  int BytesPerLine() const { return forceRGB_ ? 0 : bytesPerLine_; }
  // Frames that come before a callback is installed are dropped.
  void SetFrameCallback(TFrameCallback Callback);
  // Called once, on the stream's thread, when the camera fails or is unplugged mid-stream;
  // set before StartVideo.
  std::function<void()> OnDeviceLost;

  // 0 stopped, 2 running.
  int State() const { return state_; }
  // The camera's formats, by width and then height.
  const std::vector<TVideoFormat>& VideoFormats() const { return videoFormats_; }

 private:
  HRESULT FindDevice(const String& DeviceName, String& FoundName);
  void EnumerateFormats();
  // Sets the camera to the best format the frame conversion reads; a camera offering none
  // keeps its own.
  void ChooseFormat();
  HRESULT BuildAndRun();
  void SampleCB(const uint8_t* Buffer, int Size);

  TVideoStream stream_;
  bool forceRGB_;
  int state_ = 0;
  int bytesPerLine_ = 0;
  // The camera's frames as the stream delivers them, and their conversion under ForceRGB
  // (the stream's thread only while it runs).
  TVideoStreamFormat delivered_;
  std::vector<uint8_t> rgbFrame_;
  std::vector<TVideoFormat> videoFormats_;
  std::mutex callbackLock_;
  TFrameCallback frameCallback_;
};

}  // namespace orv
