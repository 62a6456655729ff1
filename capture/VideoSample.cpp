#include "capture/VideoSample.h"

#include <algorithm>

#include "capture/FrameConversion.h"
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

// The formats the frame conversion reads; under ForceRGB only those converted without the JPEG
// decoder, which belongs to the GUI thread.
bool Readable(uint32_t pixelFormat, bool forceRGB) {
  switch (pixelFormat) {
    case FourCCCode("YUYV"): case FourCCCode("YU12"): case FourCCCode("YV12"): case FourCCCode("BGR3"):
      return true;
    case FourCCCode("MJPG"): case FourCCCode("JPEG"):
      return !forceRGB;
    default:
      return false;
  }
}

// The photo is 800 x 600: the smallest size that holds it, else the largest there is.
constexpr int kPhotoWidth = 800, kPhotoHeight = 600;
// Below this a moving picture stutters; USB 2 cameras give it only in small or compressed sizes.
constexpr double kUsableRate = 15;
constexpr double kWantedRate = 30;

// Whether a is a better choice than b.
bool Better(const TVideoFormat& a, const TVideoFormat& b, bool forceRGB) {
  // A rate the device does not state is taken as usable.
  bool aSmooth = a.FramesPerSecond == 0 || a.FramesPerSecond >= kUsableRate;
  bool bSmooth = b.FramesPerSecond == 0 || b.FramesPerSecond >= kUsableRate;
  if (aSmooth != bSmooth) return aSmooth;
  bool aHolds = a.Width >= kPhotoWidth && a.Height >= kPhotoHeight;
  bool bHolds = b.Width >= kPhotoWidth && b.Height >= kPhotoHeight;
  if (aHolds != bHolds) return aHolds;
  long long aArea = 1LL * a.Width * a.Height, bArea = 1LL * b.Width * b.Height;
  if (aArea != bArea) return aHolds ? aArea < bArea : aArea > bArea;
  // At one size: rows of blue, green, red when asked for, else what costs least to convert.
  auto rank = [forceRGB](uint32_t f) {
    if (f == FourCCCode("BGR3")) return forceRGB ? 0 : 2;
    if (f == FourCCCode("MJPG") || f == FourCCCode("JPEG")) return 3;
    return 1;
  };
  return rank(a.FourCC) < rank(b.FourCC);
}

}  // namespace

HRESULT GetVideoInputDevices(TStrings& List) {
  List.Clear();
  for (const TVideoDeviceInfo& device : ListVideoDevices()) List.Add(device.Name);
  return S_OK;
}

TVideoSample::TVideoSample(bool ForceRGB) : forceRGB_(ForceRGB) {}

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
  ChooseFormat();
  if (!stream_.CurrentFormat(delivered_)) delivered_ = {};
  bytesPerLine_ = delivered_.BytesPerLine;
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

void TVideoSample::ChooseFormat() {
  const TVideoFormat* best = nullptr;
  for (const TVideoFormat& f : videoFormats_)
    if (Readable(f.FourCC, forceRGB_) && (!best || Better(f, *best, forceRGB_))) best = &f;
  if (!best) return;
  // A camera that refuses keeps the format it has; the picture then says what it could not read.
  if (stream_.SetFormat(best->FourCC, best->Width, best->Height))
    stream_.SetFrameRate(best->FramesPerSecond > 0 ? std::min(best->FramesPerSecond, kWantedRate) : kWantedRate);
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
  FourCC = forceRGB_ ? 0 : ConversionFourCC(format.FourCC);
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
  if (!frameCallback_) return;
  if (forceRGB_) {
    TFrameLayout layout{ConversionFourCC(delivered_.FourCC), delivered_.Width, delivered_.Height,
                        delivered_.BytesPerLine};
    rgbFrame_.resize(size_t(delivered_.Width) * delivered_.Height * 3);
    // A frame that does not convert is not a picture: it is not handed on.
    if (!ConvertFrameRows(Buffer, Size, layout, {rgbFrame_.data(), ptrdiff_t(delivered_.Width) * 3})) return;
    frameCallback_(rgbFrame_.data(), static_cast<int>(rgbFrame_.size()));
    return;
  }
  frameCallback_(Buffer, Size);
}

}  // namespace orv
