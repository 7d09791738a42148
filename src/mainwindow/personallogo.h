#pragma once

#include <QImage>
#include <QString>

// The user's logo in the config folder: "mylogo.png" or "mylogo.jpg".
namespace personallogo {
// The logo file to show, empty when the built-in picture is to be shown.
QString currentFile(const QString &configDir);
// Stores chosen as the logo. The copy goes to a temporary name first; only a complete copy
// replaces the logo, so a failed copy (or choosing the current logo file) keeps it.
// ".jpeg" pictures are stored as "mylogo.jpg", which the loader looks for.
bool replace(const QString &chosen, const QString &configDir);
// The picture at path decoded straight at its size within box (aspect ratio kept), so a huge
// file never exists in memory at full size; the format comes from the content. Null when the
// file cannot be read.
QImage readScaled(const QString &path, const QSize &box);
} // namespace personallogo
