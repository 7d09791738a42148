#include "platform/castpixels.h"

#include <cstring>

void castRowToRgb32(const uchar *from, uchar *to, int width, CastPixelFormat format)
{
    auto *out = reinterpret_cast<quint32 *>(to);
    // Where red, green and blue sit in each pixel's four bytes.
    int r = 2, g = 1, b = 0;
    switch (format) {
        case CastPixelFormat::BGRx:
        case CastPixelFormat::BGRA:
            // Already the bytes of RGB32 on a little-endian machine: only alpha to set, in the
            // one pass over the row (a frame is megabytes, and comes up to 60 times a second).
            if (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
                for (int i = 0; i < width; ++i) {
                    quint32 pixel;
                    std::memcpy(&pixel, from + 4 * i, 4);
                    out[i] = pixel | 0xff000000u;
                }
                return;
            }
            break;
        case CastPixelFormat::RGBx:
        case CastPixelFormat::RGBA:
            r = 0, g = 1, b = 2;
            break;
        case CastPixelFormat::xRGB:
            r = 1, g = 2, b = 3;
            break;
        case CastPixelFormat::xBGR:
            r = 3, g = 2, b = 1;
            break;
    }
    for (int i = 0; i < width; ++i, from += 4)
        out[i] = 0xff000000u | quint32(from[r]) << 16 | quint32(from[g]) << 8 | from[b];
}
