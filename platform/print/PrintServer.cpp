#include "platform/print/PrintServer.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <string>

#include "platform/print/CupsLibrary.h"
#include "platform/print/PaperCodes.h"

namespace orv {

namespace {

bool ServerFailed(const TCupsLibrary& cups) {
  ipp_status_t status = cups.LastError();
  return status > IPP_STATUS_OK_EVENTS_COMPLETE;
}

// The destinations of the server, freed with the holder.
struct TDests {
  const TCupsLibrary& Cups;
  cups_dest_t* Dests = nullptr;
  int Count = 0;
  explicit TDests(const TCupsLibrary& cups) : Cups(cups) { Count = cups.GetDests2(CUPS_HTTP_DEFAULT, &Dests); }
  ~TDests() { Cups.FreeDests(Count, Dests); }
  TDests(const TDests&) = delete;
  TDests& operator=(const TDests&) = delete;
};

struct TDestInfoFree {
  const TCupsLibrary* Cups;
  void operator()(cups_dinfo_t* info) const { Cups->FreeDestInfo(info); }
};

// The server's name of a paper when it has one, else the short name of the standard size
// ("A5", "Env10"), else the media name itself.
String MediaDisplayName(const TCupsLibrary& cups, http_t* http, cups_dest_t* dest, cups_dinfo_t* info,
                        cups_size_t& size) {
  const char* name = cups.LocalizeDestMedia(http, dest, info, CUPS_MEDIA_FLAGS_DEFAULT, &size);
  if (name && *name && std::strcmp(name, size.media) != 0) return name;
  pwg_media_t* media = cups.MediaForPWG(size.media);
  if (media && media->ppd) return media->ppd;
  return size.media;
}

// The server's name of a paper source, else its keyword made readable ("tray-1" is "Tray 1").
String SourceDisplayName(const TCupsLibrary& cups, http_t* http, cups_dest_t* dest, cups_dinfo_t* info,
                         const char* source) {
  const char* name = cups.LocalizeDestValue(http, dest, info, CUPS_MEDIA_SOURCE, source);
  if (name && *name && std::strcmp(name, source) != 0) return name;
  String text = source;
  std::replace(text.begin(), text.end(), '-', ' ');
  if (!text.empty()) text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
  return text;
}

}  // namespace

String DeviceLocation(const String& uri) {
  size_t scheme = uri.find("://");
  if (scheme == String::npos) return uri;
  size_t host = scheme + 3;
  // User information ends at the last "@" before any query; a Windows share's may hold "/".
  size_t query = uri.find('?', host);
  size_t at = uri.rfind('@', query);
  if (at == String::npos || at < host) return uri;
  return uri.substr(0, host) + uri.substr(at + 1);
}

TPrinterList ListPrinters() {
  TPrinterList list;
  const TCupsLibrary* cups = CupsLibrary(list.Error);
  if (!cups) {
    list.ServerReachable = false;
    return list;
  }
  list.Server = cups->Server();
  if (!list.Server.empty() && list.Server[0] != '/') list.Server += ":" + std::to_string(cups->Port());
  TDests dests(*cups);
  if (dests.Count == 0 && ServerFailed(*cups)) {
    list.ServerReachable = false;
    list.Error = LastCupsError(*cups);
    return list;
  }
  for (int i = 0; i < dests.Count; ++i) {
    const cups_dest_t& d = dests.Dests[i];
    // Instances are option sets of one queue, not printers of their own.
    if (d.instance) continue;
    list.Names.push_back(d.name);
    const char* uri = cups->GetOption("device-uri", d.num_options, d.options);
    list.Locations.push_back(DeviceLocation(uri ? uri : ""));
    if (d.is_default) list.Default = d.name;
  }
  return list;
}

bool QueryCapabilities(const String& printer, TPrinterCapabilities& caps, String& error) {
  caps = {};
  const TCupsLibrary* found = CupsLibrary(error);
  if (!found) return false;
  const TCupsLibrary& cups = *found;
  TDests dests(cups);
  cups_dest_t* dest = cups.GetDest(printer.c_str(), nullptr, dests.Count, dests.Dests);
  if (!dest) {
    error = ServerFailed(cups) ? LastCupsError(cups) : "Unknown printer: " + printer;
    return false;
  }
  http_t* http = CUPS_HTTP_DEFAULT;
  std::unique_ptr<cups_dinfo_t, TDestInfoFree> info(cups.CopyDestInfo(http, dest), TDestInfoFree{&cups});
  if (!info) {
    error = LastCupsError(cups);
    return false;
  }

  const unsigned flags = CUPS_MEDIA_FLAGS_DEFAULT;
  String defaultMedia;
  if (ipp_attribute_t* media = cups.FindDestDefault(http, dest, info.get(), CUPS_MEDIA)) {
    const char* name = cups.GetString(media, 0, nullptr);
    if (name) defaultMedia = name;
  }
  int ownCode = kFirstPrinterPaperCode;
  int count = cups.GetDestMediaCount(http, dest, info.get(), flags);
  for (int i = 0; i < count; ++i) {
    cups_size_t size{};
    if (!cups.GetDestMediaByIndex(http, dest, info.get(), i, flags, &size)) continue;
    // The bounds of custom sizes are listed as media too; they are no paper.
    if (String(size.media).rfind("custom_", 0) == 0) continue;
    TPrinterPaper paper;
    paper.Media = size.media;
    paper.Name = MediaDisplayName(cups, http, dest, info.get(), size);
    // CUPS sizes are hundredths of a millimetre.
    paper.Width = size.width / 100.0;
    paper.Height = size.length / 100.0;
    paper.LeftMargin = size.left / 100.0;
    paper.TopMargin = size.top / 100.0;
    paper.RightMargin = size.right / 100.0;
    paper.BottomMargin = size.bottom / 100.0;
    paper.Code = PaperCodeForSize(size.width / 10, size.length / 10);
    // A second paper of a standard size (a borderless variant) gets a code of its own.
    bool taken = std::any_of(caps.Papers.begin(), caps.Papers.end(),
                             [&](const TPrinterPaper& p) { return p.Code == paper.Code; });
    if (paper.Code == kCustomPaperCode || taken) paper.Code = ownCode++;
    if (caps.DefaultPaper < 0 && paper.Media == defaultMedia)
      caps.DefaultPaper = static_cast<int>(caps.Papers.size());
    caps.Papers.push_back(paper);
  }

  int ownBin = kFirstPrinterBinCode;
  if (ipp_attribute_t* sources = cups.FindDestSupported(http, dest, info.get(), CUPS_MEDIA_SOURCE)) {
    for (int i = 0; i < cups.GetCount(sources); ++i) {
      const char* source = cups.GetString(sources, i, nullptr);
      if (!source) continue;
      TPrinterBin bin;
      bin.Source = source;
      bin.Name = SourceDisplayName(cups, http, dest, info.get(), source);
      bin.Code = BinForMediaSource(source);
      bool taken = std::any_of(caps.Bins.begin(), caps.Bins.end(),
                               [&](const TPrinterBin& b) { return b.Code == bin.Code; });
      if (bin.Code == 0 || taken) bin.Code = ownBin++;
      caps.Bins.push_back(bin);
    }
  }

  caps.Duplex = cups.CheckDestSupported(http, dest, info.get(), CUPS_SIDES,
                                       CUPS_SIDES_TWO_SIDED_PORTRAIT) != 0;

  if (ipp_attribute_t* qualities = cups.FindDestSupported(http, dest, info.get(), CUPS_PRINT_QUALITY))
    for (int i = 0; i < cups.GetCount(qualities); ++i) caps.Qualities.push_back(cups.GetInteger(qualities, i));

  ipp_attribute_t* resolution = cups.FindDestDefault(http, dest, info.get(), "printer-resolution");
  if (!resolution) resolution = cups.FindDestSupported(http, dest, info.get(), "printer-resolution");
  if (resolution && cups.GetValueTag(resolution) == IPP_TAG_RESOLUTION) {
    ipp_res_t units;
    int y = 0;
    int x = cups.GetResolution(resolution, 0, &y, &units);
    // Dots per centimetre become dots per inch.
    if (units == IPP_RES_PER_CM) {
      x = static_cast<int>(x * 2.54 + 0.5);
      y = static_cast<int>(y * 2.54 + 0.5);
    }
    caps.DpiX = x;
    caps.DpiY = y;
  }

  if (ipp_attribute_t* o = cups.FindDestDefault(http, dest, info.get(), CUPS_ORIENTATION))
    caps.DefaultLandscape = cups.GetInteger(o, 0) == IPP_ORIENT_LANDSCAPE;
  return true;
}

}  // namespace orv
