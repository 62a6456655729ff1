#include "capture/VideoSample.h"

#include <algorithm>

#include "platform/rtl/TextUtils.h"

namespace orv {

namespace {

// Thai has no letter case; the names of cameras compare case-blind in their Latin letters.
String Folded(const String& s) {
  String folded = Trim(s);
  for (char& c : folded)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return folded;
}

// The frame conversion's names of the V4L2 formats it reads.
uint32_t ConversionFourCC(uint32_t pixelFormat) {
  switch (pixelFormat) {
    case FourCCCode("YU12"): return FourCCCode("I420");
    case FourCCCode("JPEG"): return FourCCCode("MJPG");
    case FourCCCode("BGR3"): return 0;
    default: return pixelFormat;
  }
}

}  // namespace

HRESULT GetVideoInputDevices(TStrings& List) {
  List.Clear();
  for (const TVideoDeviceInfo& device : ListVideoDevices()) List.Add(device.Name);
  return S_OK;
}

TVideoSample::TVideoSample() = default;

TVideoSample::~TVideoSample() {
  stream_.Close();
  state_ = 0;
}

HRESULT TVideoSample::StartVideo(const String& DeviceName, String& FoundName) {
  stream_.Close();
  state_ = 0;
  HRESULT hr = FindDevice(DeviceName, FoundName);
  if (!Succeeded(hr)) return hr;
  EnumerateFormats();
  return BuildAndRun();
}

HRESULT TVideoSample::FindDevice(const String& DeviceName, String& FoundName) {
  String wanted = Folded(DeviceName);
  if (wanted.empty()) wanted = "#1";
  std::vector<TVideoDeviceInfo> devices = ListVideoDevices();
  if (devices.empty()) return E_FAIL;
  // Only "#1" to "#9" select by position; "#10" is a name like any other.
  int position = wanted.size() == 2 && wanted[0] == '#' && wanted[1] >= '0' && wanted[1] <= '9'
                     ? wanted[1] - '0'
                     : 0;
  for (size_t i = 0; i < devices.size(); ++i) {
    if (Folded(devices[i].Name) != wanted && static_cast<int>(i) + 1 != position) continue;
    if (!stream_.Open(devices[i].Path)) return E_FAIL;
    FoundName = Trim(devices[i].Name);
    return S_OK;
  }
  return E_FAIL;
}

void TVideoSample::EnumerateFormats() {
  videoFormats_ = stream_.Formats();
  std::stable_sort(videoFormats_.begin(), videoFormats_.end(),
                   [](const TVideoFormat& a, const TVideoFormat& b) {
                     return a.Width != b.Width ? a.Width < b.Width : a.Height < b.Height;
                   });
}

HRESULT TVideoSample::BuildAndRun() {
  bool started = stream_.Start([this](const uint8_t* data, int size) { SampleCB(data, size); },
                               [this] {
                                 if (OnDeviceLost) OnDeviceLost();
                               });
  if (!started) return E_FAIL;
  state_ = 2;
  return S_OK;
}

HRESULT TVideoSample::GetStreamInfo(int& Width, int& Height, uint32_t& FourCC) {
  Width = 0;
  Height = 0;
  FourCC = 0;
  TVideoStreamFormat format;
  if (!stream_.CurrentFormat(format)) return E_FAIL;
  Width = format.Width;
  Height = format.Height;
  FourCC = ConversionFourCC(format.FourCC);
  return S_OK;
}

void TVideoSample::SetFrameCallback(TFrameCallback Callback) {
  std::lock_guard lock(callbackLock_);
  frameCallback_ = std::move(Callback);
}

void TVideoSample::SampleCB(const uint8_t* Buffer, int Size) {
  if (Size <= 0) return;
  // The lock is never contended for long: the GUI thread takes it only to install the
  // callback, and the callback itself only copies the frame.
  std::lock_guard lock(callbackLock_);
  if (frameCallback_) frameCallback_(Buffer, Size);
}

}  // namespace orv
