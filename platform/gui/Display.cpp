#include "platform/gui/Display.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QDir>
#include <QLibraryInfo>
#include <cstdlib>
#include <cstring>

namespace orv {

namespace {

String Variable(const char* name) {
  const char* value = std::getenv(name);
  return value ? String(value) : String();
}

// The socket WAYLAND_DISPLAY names; empty when it names none.
String WaylandSocketPath() {
  String name = Variable("WAYLAND_DISPLAY");
  if (name.empty()) return {};
  if (name[0] == '/') return name;
  String runtime = Variable("XDG_RUNTIME_DIR");
  return runtime.empty() ? String() : runtime + "/" + name;
}

// Whether a Wayland compositor listens on the socket WAYLAND_DISPLAY names: a socket left behind
// by a compositor that has gone is no display.
bool WaylandSocket() {
  String path = WaylandSocketPath();
  struct stat st;
  if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode)) return false;
  sockaddr_un address{};
  if (path.size() >= sizeof address.sun_path) return false;
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.c_str(), path.size());
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  bool listening = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return listening;
}

// Whether Qt has its Wayland platform plugin (Debian's qt6-wayland) where it looks for plugins.
bool WaylandPlugin() {
  QStringList folders = {QLibraryInfo::path(QLibraryInfo::PluginsPath)};
  for (const QString& extra : qEnvironmentVariable("QT_PLUGIN_PATH").split(':', Qt::SkipEmptyParts))
    folders << extra;
  for (const QString& folder : folders)
    if (!QDir(folder + "/platforms").entryList({"libqwayland*.so"}, QDir::Files).isEmpty()) return true;
  return false;
}

constexpr const char* kNoWaylandPlugin =
    "มีจอภาพ Wayland แต่ไม่มีส่วนเสริม Wayland ของ Qt จึงเปิดหน้าต่างของโปรแกรมไม่ได้ "
    "ให้ติดตั้งแพ็กเกจ qt6-wayland (sudo apt-get install qt6-wayland)";

// A Wayland display the program can use: Qt is pointed at it unless told otherwise, since
// without an X display it would try X and end.
String UseWayland(const String& platform) {
  if (!WaylandPlugin()) return kNoWaylandPlugin;
  if (platform.empty()) ::setenv("QT_QPA_PLATFORM", "wayland", 1);
  return {};
}

}  // namespace

String MissingDisplayReason() {
  String platform = Variable("QT_QPA_PLATFORM");
  if (!platform.empty() && platform.rfind("xcb", 0) != 0 && platform.rfind("wayland", 0) != 0) return {};
  if (platform.rfind("wayland", 0) != 0) {
    String display = Variable("DISPLAY");
    if (!display.empty()) {
      xcb_connection_t* connection = xcb_connect(display.c_str(), nullptr);
      bool reached = xcb_connection_has_error(connection) == 0;
      xcb_disconnect(connection);
      if (reached) return {};
      if (WaylandSocket() && platform.empty()) return UseWayland(platform);
      return "ต่อจอภาพ " + display + " ไม่ได้ (ตัวแปร DISPLAY) จึงเปิดหน้าต่างของโปรแกรมไม่ได้";
    }
  }
  if (WaylandSocket()) return UseWayland(platform);
  if (!WaylandSocketPath().empty())
    return "ต่อจอภาพ Wayland " + WaylandSocketPath() + " ไม่ได้ (ตัวแปร WAYLAND_DISPLAY) "
           "จึงเปิดหน้าต่างของโปรแกรมไม่ได้";
  return "ไม่มีจอภาพให้เปิดหน้าต่าง (ไม่ได้ตั้งตัวแปร DISPLAY หรือ WAYLAND_DISPLAY) "
         "ให้เรียกโปรแกรมจากหน้าจอเดสก์ท็อป";
}

}  // namespace orv
