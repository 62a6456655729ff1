#include "platform/gui/Colors.h"

#include <cctype>
#include <cstdio>

#include "platform/rtl/Exceptions.h"

namespace orv {

namespace {

// The classic light theme, indexed by system-colour number.
constexpr TColor kSystemColors[] = {
    RGB(212, 208, 200),  // clScrollBar
    RGB(58, 110, 165),   // clBackground
    RGB(10, 36, 106),    // clActiveCaption
    RGB(128, 128, 128),  // clInactiveCaption
    RGB(212, 208, 200),  // clMenu
    RGB(255, 255, 255),  // clWindow
    RGB(0, 0, 0),        // clWindowFrame
    RGB(0, 0, 0),        // clMenuText
    RGB(0, 0, 0),        // clWindowText
    RGB(255, 255, 255),  // clCaptionText
    RGB(212, 208, 200),  // clActiveBorder
    RGB(212, 208, 200),  // clInactiveBorder
    RGB(128, 128, 128),  // clAppWorkSpace
    RGB(10, 36, 106),    // clHighlight
    RGB(255, 255, 255),  // clHighlightText
    RGB(212, 208, 200),  // clBtnFace
    RGB(128, 128, 128),  // clBtnShadow
    RGB(128, 128, 128),  // clGrayText
    RGB(0, 0, 0),        // clBtnText
    RGB(212, 208, 200),  // clInactiveCaptionText
    RGB(255, 255, 255),  // clBtnHighlight
    RGB(64, 64, 64),     // cl3DDkShadow
    RGB(212, 208, 200),  // cl3DLight
    RGB(0, 0, 0),        // clInfoText
    RGB(255, 255, 225),  // clInfoBk
    RGB(181, 181, 181),  // index 25 has no name
    RGB(0, 0, 128),      // clHotLight
    RGB(166, 202, 240),  // clGradientActiveCaption
    RGB(192, 192, 192),  // clGradientInactiveCaption
    RGB(49, 106, 197),   // clMenuHighlight
    RGB(212, 208, 200),  // clMenuBar
};

struct ColorName {
  TColor Value;
  const char* Name;
};

constexpr ColorName kColorNames[] = {
    {clBlack, "clBlack"}, {clMaroon, "clMaroon"}, {clGreen, "clGreen"}, {clOlive, "clOlive"},
    {clNavy, "clNavy"}, {clPurple, "clPurple"}, {clTeal, "clTeal"}, {clGray, "clGray"},
    {clSilver, "clSilver"}, {clRed, "clRed"}, {clLime, "clLime"}, {clYellow, "clYellow"},
    {clBlue, "clBlue"}, {clFuchsia, "clFuchsia"}, {clAqua, "clAqua"}, {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"}, {clSkyBlue, "clSkyBlue"}, {clCream, "clCream"},
    {clMedGray, "clMedGray"}, {clActiveBorder, "clActiveBorder"},
    {clActiveCaption, "clActiveCaption"}, {clAppWorkSpace, "clAppWorkSpace"},
    {clBackground, "clBackground"}, {clBtnFace, "clBtnFace"}, {clBtnHighlight, "clBtnHighlight"},
    {clBtnShadow, "clBtnShadow"}, {clBtnText, "clBtnText"}, {clCaptionText, "clCaptionText"},
    {clDefault, "clDefault"}, {clGradientActiveCaption, "clGradientActiveCaption"},
    {clGradientInactiveCaption, "clGradientInactiveCaption"}, {clGrayText, "clGrayText"},
    {clHighlight, "clHighlight"}, {clHighlightText, "clHighlightText"},
    {clHotLight, "clHotLight"}, {clInactiveBorder, "clInactiveBorder"},
    {clInactiveCaption, "clInactiveCaption"}, {clInactiveCaptionText, "clInactiveCaptionText"},
    {clInfoBk, "clInfoBk"}, {clInfoText, "clInfoText"}, {clMenu, "clMenu"},
    {clMenuBar, "clMenuBar"}, {clMenuHighlight, "clMenuHighlight"}, {clMenuText, "clMenuText"},
    {clNone, "clNone"}, {clScrollBar, "clScrollBar"}, {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"}, {clWindow, "clWindow"}, {clWindowFrame, "clWindowFrame"},
    {clWindowText, "clWindowText"},
};

bool SameText(const char* a, const String& b) {
  size_t i = 0;
  for (; a[i] && i < b.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return a[i] == 0 && i == b.size();
}

}  // namespace

TColor ColorToRGB(TColor color) {
  if (color < 0) {
    unsigned index = static_cast<unsigned>(color) & 0xFF;
    return index < std::size(kSystemColors) ? kSystemColors[index] : clBlack;
  }
  return color & 0x00FFFFFF;
}

String ColorToString(TColor color) {
  for (const ColorName& c : kColorNames)
    if (c.Value == color) return c.Name;
  char buf[16];
  std::snprintf(buf, sizeof buf, "$%08X", static_cast<unsigned>(color));
  return buf;
}

bool IdentToColor(const String& ident, TColor& color) {
  for (const ColorName& c : kColorNames)
    if (SameText(c.Name, ident)) {
      color = c.Value;
      return true;
    }
  return false;
}

TColor StringToColor(const String& text) {
  TColor color;
  if (IdentToColor(text, color)) return color;
  String digits = text;
  int base = 10;
  if (!digits.empty() && digits[0] == '$') {
    digits.erase(0, 1);
    base = 16;
  } else if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    digits.erase(0, 2);
    base = 16;
  }
  bool negative = base == 10 && !digits.empty() && digits[0] == '-';
  if (negative) digits.erase(0, 1);
  if (digits.empty() || digits.size() > (base == 16 ? 8u : 10u))
    throw EConvertError("'" + text + "' is not a valid integer value");
  long long value = 0;
  for (char ch : digits) {
    int d;
    if (ch >= '0' && ch <= '9') d = ch - '0';
    else if (base == 16 && std::isxdigit(static_cast<unsigned char>(ch))) d = std::tolower(ch) - 'a' + 10;
    else throw EConvertError("'" + text + "' is not a valid integer value");
    value = value * base + d;
  }
  if (negative) value = -value;
  if (base == 10 && (value > 0x7FFFFFFFLL || value < -0x80000000LL))
    throw EConvertError("'" + text + "' is not a valid integer value");
  return static_cast<TColor>(static_cast<std::uint32_t>(value));
}

void GetColorValues(const std::function<void(const String& name)>& proc) {
  for (const ColorName& c : kColorNames) proc(c.Name);
}

}  // namespace orv
