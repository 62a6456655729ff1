#pragma once
// Shared set-up of the graphics tests: the project's fonts, one application object, temporary
// files, and reading images back with ImageMagick and libjpeg-turbo's tools.
#include <QApplication>
#include <QImage>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/gui/Application.h"
#include "platform/rtl/tests/ScratchFolder.h"

namespace orv::testing {

// The application object configures the fonts and then makes the Qt application, as in the
// program.
inline void EnsureGraphics() { Application->Initialize(); }

inline std::string TempPath(const std::string& name) { return (ProcessScratchFolder("orvane-graphics-") / name).string(); }

// Output of a shell command; empty when it fails.
inline std::string Run(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  return pclose(p) == 0 ? out : std::string();
}

// Decodes file with an outside tool into a binary PPM / PGM and loads it; a null image when the
// tool rejects the file. Qt only parses the netpbm container here, the decoding is the tool's.
inline QImage DecodeWith(const std::string& tool, const std::string& file) {
  std::string pnm = file + ".pnm";
  std::string command = tool == "djpeg" ? "djpeg -pnm -outfile '" + pnm + "' '" + file + "'"
                                        : "convert '" + file + "' -depth 8 'ppm:" + pnm + "'";
  if (std::system((command + " 2>/dev/null").c_str()) != 0) return QImage();
  QImage image(QString::fromStdString(pnm));
  std::filesystem::remove(pnm);
  return image;
}

// A JPEG's bytes with an EXIF block holding only orientation, after the start marker, as a
// phone writes a picture taken while held on its side.
inline std::string WithOrientation(const std::string& jpeg, int orientation) {
  const unsigned char tiff[] = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 0x01, 0x12, 0, 3, 0, 0, 0, 1, 0,
                                static_cast<unsigned char>(orientation), 0, 0, 0, 0, 0, 0};
  std::string app1 = std::string("Exif\0\0", 6) + std::string(reinterpret_cast<const char*>(tiff), sizeof tiff);
  const size_t length = app1.size() + 2;
  std::string marker = {'\xFF', '\xE1', static_cast<char>(length >> 8), static_cast<char>(length & 0xFF)};
  return jpeg.substr(0, 2) + marker + app1 + jpeg.substr(2);
}

}  // namespace orv::testing
