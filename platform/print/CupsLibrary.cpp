#include "platform/print/CupsLibrary.h"

#include <dlfcn.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
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

// Why the server cannot be reached, as a connection to it says; empty when it answers. Waits
// at most two seconds for a server that does not answer at all.
String ConnectionFailure(const TCupsLibrary& cups) {
  const String server = cups.Server();
  auto attempt = [](int family, const sockaddr* address, socklen_t length) -> int {
    int fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return errno;
    int failure = 0;
    if (::connect(fd, address, length) != 0) {
      failure = errno;
      if (failure == EINPROGRESS) {
        pollfd p{fd, POLLOUT, 0};
        failure = ::poll(&p, 1, 2000) == 1 ? 0 : ETIMEDOUT;
        socklen_t size = sizeof failure;
        if (failure == 0 && ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &failure, &size) != 0) failure = errno;
      }
    }
    ::close(fd);
    return failure;
  };
  int failure = 0;
  if (!server.empty() && server[0] == '/') {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, server.c_str(), sizeof address.sun_path - 1);
    failure = attempt(AF_UNIX, reinterpret_cast<sockaddr*>(&address), sizeof address);
  } else {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string port = std::to_string(cups.Port());
    if (int lookup = ::getaddrinfo(server.c_str(), port.c_str(), &hints, &found); lookup != 0)
      return ::gai_strerror(lookup);
    for (addrinfo* a = found; a; a = a->ai_next)
      if ((failure = attempt(a->ai_family, a->ai_addr, a->ai_addrlen)) == 0) break;
    ::freeaddrinfo(found);
  }
  return failure ? String(std::strerror(failure)) : String();
}

}  // namespace

String LastCupsError(const TCupsLibrary& cups) {
  // After a failed connection the library reports what became of the socket it closed ("Bad
  // file descriptor"), which tells the user nothing about the server.
  String unreachable = ConnectionFailure(cups);
  return unreachable.empty() ? String(cups.LastErrorString()) : unreachable;
}

const TCupsLibrary* CupsLibrary(String& error) {
  static const TLoaded loaded = Load();
  if (!loaded.Ok) {
    error = loaded.Error;
    return nullptr;
  }
  return &loaded.Functions;
}

}  // namespace orv
