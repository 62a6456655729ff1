#pragma once
// Colours as the class library numbers them: 0x00BBGGRR for fixed colours, 0xFF000000 plus a
// system-colour index for theme colours, and two special values.
#include <functional>

#include "platform/rtl/Types.h"

namespace orv {

using TColor = Integer;

constexpr TColor MakeSysColor(int index) { return static_cast<TColor>(0xFF000000u | static_cast<unsigned>(index)); }

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;

constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

constexpr TColor clScrollBar = MakeSysColor(0);
constexpr TColor clBackground = MakeSysColor(1);
constexpr TColor clActiveCaption = MakeSysColor(2);
constexpr TColor clInactiveCaption = MakeSysColor(3);
constexpr TColor clMenu = MakeSysColor(4);
constexpr TColor clWindow = MakeSysColor(5);
constexpr TColor clWindowFrame = MakeSysColor(6);
constexpr TColor clMenuText = MakeSysColor(7);
constexpr TColor clWindowText = MakeSysColor(8);
constexpr TColor clCaptionText = MakeSysColor(9);
constexpr TColor clActiveBorder = MakeSysColor(10);
constexpr TColor clInactiveBorder = MakeSysColor(11);
constexpr TColor clAppWorkSpace = MakeSysColor(12);
constexpr TColor clHighlight = MakeSysColor(13);
constexpr TColor clHighlightText = MakeSysColor(14);
constexpr TColor clBtnFace = MakeSysColor(15);
constexpr TColor clBtnShadow = MakeSysColor(16);
constexpr TColor clGrayText = MakeSysColor(17);
constexpr TColor clBtnText = MakeSysColor(18);
constexpr TColor clInactiveCaptionText = MakeSysColor(19);
constexpr TColor clBtnHighlight = MakeSysColor(20);
constexpr TColor cl3DDkShadow = MakeSysColor(21);
constexpr TColor cl3DLight = MakeSysColor(22);
constexpr TColor clInfoText = MakeSysColor(23);
constexpr TColor clInfoBk = MakeSysColor(24);
constexpr TColor clHotLight = MakeSysColor(26);
constexpr TColor clGradientActiveCaption = MakeSysColor(27);
constexpr TColor clGradientInactiveCaption = MakeSysColor(28);
constexpr TColor clMenuHighlight = MakeSysColor(29);
constexpr TColor clMenuBar = MakeSysColor(30);

constexpr TColor RGB(int r, int g, int b) {
  return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr Byte GetRValue(TColor c) { return static_cast<Byte>(c & 0xFF); }
constexpr Byte GetGValue(TColor c) { return static_cast<Byte>((c >> 8) & 0xFF); }
constexpr Byte GetBValue(TColor c) { return static_cast<Byte>((c >> 16) & 0xFF); }

// The 0x00BBGGRR value a colour paints with: system colours resolve through the classic light
// theme; other values keep their low 24 bits.
TColor ColorToRGB(TColor color);

// "clRed" for clRed; the hexadecimal "$00BBGGRR" form for a colour without a name.
String ColorToString(TColor color);
// Accepts a colour name (any case) or a number ("$FF", "255"); EConvertError otherwise.
TColor StringToColor(const String& text);
// Looks up a colour name only ("clRed", any case); false when the name is unknown.
bool IdentToColor(const String& ident, TColor& color);
// Calls proc with every colour name of the table, in the table's order (52 names).
void GetColorValues(const std::function<void(const String& name)>& proc);

}  // namespace orv
