// Colours as the figure stores them: 0x00BBGGRR, or 0xFF000000 plus a system colour index.
#pragma once

#include "model/ost2_Types.h"

#include <functional>

// System colour references (index into the platform's colour table).
inline constexpr TColor SystemColor(int index) { return static_cast<TColor>(0xFF000000u | uint32_t(index)); }
inline constexpr TColor clScrollBar = SystemColor(0);
inline constexpr TColor clBackground = SystemColor(1);
inline constexpr TColor clWindow = SystemColor(5);
inline constexpr TColor clWindowText = SystemColor(8);
inline constexpr TColor clHighlight = SystemColor(13);
inline constexpr TColor clHighlightText = SystemColor(14);
inline constexpr TColor clBtnFace = SystemColor(15);
inline constexpr TColor clBtnShadow = SystemColor(16);
inline constexpr TColor clBtnText = SystemColor(18);
inline constexpr TColor clInfoText = SystemColor(23);
inline constexpr TColor clInfoBk = SystemColor(24);
inline constexpr TColor clHotLight = SystemColor(26);

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clGreen = 0x008000;
// Marks "no colour" (outside the palette).
inline constexpr TColor clNoColor = 0x1FFFFFFF;

// The test is on the unsigned value: stored colours are signed, system references are negative.
inline constexpr bool IsSystemColor(TColor c) { return uint32_t(c) > 0x00FFFFFFu; }

// Resolves a colour to an explicit 0x00BBGGRR value. System colours go through the resolver,
// which the user interface points at its palette; the default uses the classic desktop colours.
TColor ColorToRGB(TColor c);
using SystemColorResolver = std::function<TColor(int index)>;
void SetSystemColorResolver(SystemColorResolver resolver);

inline constexpr int RedOf(TColor c) { return c & 0xFF; }
inline constexpr int GreenOf(TColor c) { return (c >> 8) & 0xFF; }
inline constexpr int BlueOf(TColor c) { return (c >> 16) & 0xFF; }
inline constexpr TColor MakeColor(int r, int g, int b) { return TColor(r | (g << 8) | (b << 16)); }
