#include "platform/print/CupsLibrary.h"

#include <dlfcn.h>

#include <type_traits>

namespace orv {

namespace {

struct TLoaded {
  TCupsLibrary Functions{};
  bool Ok = false;
  String Error;
};

TLoaded Load() {
  TLoaded loaded;
  // The library's ABI name: the version its headers describe.
  const char* name = "libcups.so.2";
  void* library = dlopen(name, RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    const char* reason = dlerror();
    loaded.Error = "Printing needs the CUPS library, which cannot be loaded: " + String(reason ? reason : name);
    return loaded;
  }
  // The library stays open for the rest of the run: jobs and destinations it made may be live.
  auto bind = [&](const char* symbol, auto& function) {
    void* address = dlsym(library, symbol);
    if (!address && loaded.Error.empty())
      loaded.Error = "The CUPS library " + String(name) + " has no " + symbol + ": it is older than this program needs";
    function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(address);
  };
  TCupsLibrary& f = loaded.Functions;
  bind("cupsAddOption", f.AddOption);
  bind("cupsCancelJob2", f.CancelJob2);
  bind("cupsCheckDestSupported", f.CheckDestSupported);
  bind("cupsCopyDestInfo", f.CopyDestInfo);
  bind("cupsCreateJob", f.CreateJob);
  bind("cupsFindDestDefault", f.FindDestDefault);
  bind("cupsFindDestSupported", f.FindDestSupported);
  bind("cupsFinishDocument", f.FinishDocument);
  bind("cupsFreeDestInfo", f.FreeDestInfo);
  bind("cupsFreeDests", f.FreeDests);
  bind("cupsFreeOptions", f.FreeOptions);
  bind("cupsGetDest", f.GetDest);
  bind("cupsGetDestMediaByIndex", f.GetDestMediaByIndex);
  bind("cupsGetDestMediaCount", f.GetDestMediaCount);
  bind("cupsGetDests2", f.GetDests2);
  bind("cupsGetOption", f.GetOption);
  bind("cupsLastError", f.LastError);
  bind("cupsLastErrorString", f.LastErrorString);
  bind("cupsLocalizeDestMedia", f.LocalizeDestMedia);
  bind("cupsLocalizeDestValue", f.LocalizeDestValue);
  bind("cupsServer", f.Server);
  bind("cupsStartDocument", f.StartDocument);
  bind("cupsWriteRequestData", f.WriteRequestData);
  bind("ippGetCount", f.GetCount);
  bind("ippGetInteger", f.GetInteger);
  bind("ippGetResolution", f.GetResolution);
  bind("ippGetString", f.GetString);
  bind("ippGetValueTag", f.GetValueTag);
  bind("ippPort", f.Port);
  bind("pwgMediaForPWG", f.MediaForPWG);
  bind("pwgMediaForSize", f.MediaForSize);
  loaded.Ok = loaded.Error.empty();
  return loaded;
}

}  // namespace

const TCupsLibrary* CupsLibrary(String& error) {
  static const TLoaded loaded = Load();
  if (!loaded.Ok) {
    error = loaded.Error;
    return nullptr;
  }
  return &loaded.Functions;
}

}  // namespace orv
