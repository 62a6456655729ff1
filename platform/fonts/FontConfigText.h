#pragma once
// The project's fontconfig file (platform/fonts/orvane-fonts.conf), embedded at build time.

namespace orv {

extern const char* const sxFontsConf;

}  // namespace orv
