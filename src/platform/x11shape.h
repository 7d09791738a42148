#pragma once

#include <QRegion>

// The X Shape extension on windows of ours: which part of a window is seen (bounding) and
// which part takes the pointer (input). Regions are in device pixels of the window. Without
// an X server or without the extension every call does nothing and available() says so.
class X11Shape
{
public:
    enum Kind { Bounding, Input };

    static bool available();
    // The shape becomes region (an empty region: nothing seen, or no input at all).
    static void set(quintptr window, Kind kind, const QRegion &region);
    static void unite(quintptr window, Kind kind, const QRegion &region);
    static void subtract(quintptr window, Kind kind, const QRegion &region);
    // The whole window again, as without a shape.
    static void reset(quintptr window, Kind kind);
    // The shape as the server holds it; for tests.
    static QRegion read(quintptr window, Kind kind);
};
