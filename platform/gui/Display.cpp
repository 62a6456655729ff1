#include "platform/gui/Display.h"

#include <sys/stat.h>
#include <xcb/xcb.h>

#include <cstdlib>

namespace orv {

namespace {

String Variable(const char* name) {
  const char* value = std::getenv(name);
  return value ? String(value) : String();
}

// A Wayland compositor's socket, where WAYLAND_DISPLAY names one.
bool WaylandSocket() {
  String name = Variable("WAYLAND_DISPLAY");
  if (name.empty()) return false;
  if (name[0] != '/') {
    String runtime = Variable("XDG_RUNTIME_DIR");
    if (runtime.empty()) return false;
    name = runtime + "/" + name;
  }
  struct stat st;
  return ::stat(name.c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
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
      if (WaylandSocket() && platform.empty()) return {};
      return "ต่อจอภาพ " + display + " ไม่ได้ (ตัวแปร DISPLAY) จึงเปิดหน้าต่างของโปรแกรมไม่ได้";
    }
  }
  if (WaylandSocket()) return {};
  return "ไม่มีจอภาพให้เปิดหน้าต่าง (ไม่ได้ตั้งตัวแปร DISPLAY หรือ WAYLAND_DISPLAY) "
         "ให้เรียกโปรแกรมจากหน้าจอเดสก์ท็อป";
}

}  // namespace orv
