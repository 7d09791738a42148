#pragma once

#include <QtGlobal>

// The 32-bit pixel layouts a screen cast may deliver, named by their bytes in memory (x: a
// byte without meaning). Desktops and GPUs differ in the one they offer.
enum class CastPixelFormat { BGRx, BGRA, RGBx, RGBA, xRGB, xBGR };

// Converts a row of width pixels into QImage::Format_RGB32, opaque: a screen has no alpha.
void castRowToRgb32(const uchar *from, uchar *to, int width, CastPixelFormat format);
