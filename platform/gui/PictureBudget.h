#pragma once
// The pixel budget as the graphic classes meet it: the platform's image readers held to it, and
// what a picture that cannot be decoded draws instead.
#include "platform/gui/Graphics.h"
#include "platform/rtl/PixelBudget.h"

namespace orv {

class TCanvas;

// Images of an icon file looked at, at most: an icon has a handful of sizes.
inline constexpr int kMaxIconImages = 64;

// Tells the platform's image readers the same limit (it holds for every reader of the process).
void LimitImageReaders();
// What a picture that cannot be decoded draws in its place: its frame and why.
void DrawRefusedPicture(TCanvas& canvas, const TRect& r, const String& message);

}  // namespace orv
