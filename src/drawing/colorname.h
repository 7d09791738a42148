#pragma once

#include <QColor>
#include <QString>

// Colours travel as "#rrggbb" strings. An empty string, "NONE" (the colour dialog's no-colour
// button) and any name QColor cannot read all mean "no colour"; every painter asks these two.

// True when name stands for no colour.
bool isNoColor(const QString &name);

// The colour of name, or an invalid QColor when name stands for no colour.
QColor colorFromName(const QString &name);
