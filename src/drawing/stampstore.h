#pragma once

#include <QPixmap>
#include <QString>

// The stamp pictures by name: "0", "1" and "2" are built in, any other plain file name is an
// imported picture in the stamp folder. Painters and cursors ask here, not the picker.
namespace StampStore {

// Null when the name is empty, not a plain file name, or its picture cannot be read.
QPixmap pixmap(const QString &name);
bool isPlainFileName(const QString &name);

} // namespace StampStore
