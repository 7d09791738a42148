#pragma once

#include <QColor>
#include <QPixmap>

// The greyed copy of an icon shown on disabled buttons: every visible pixel becomes a light grey
// of its own brightness, keeping its alpha.
QPixmap greyedPixmap(const QPixmap &pixmap);

// True when a colour is close to grey; an invalid colour counts as grey.
bool isNearGrey(const QColor &color);

// The photo clean-up: light near-grey pixels (paper and its shadows) become boardColor, darker
// greys (ink) stay, coloured marks get more saturated.
QPixmap cleanPhotoBackground(const QPixmap &photo, QRgb boardColor);
