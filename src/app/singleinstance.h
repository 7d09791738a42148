#pragma once

#include <QStringList>

class WindowTree;

// Writes the files for the running instance into the hand-over file (made absolute against
// this process's working folder, joined by ";", UTF-8, no line end) and brings the window titled
// title to the front. False when the file won't open.
bool handOverToRunningInstance(const QString &handOverFile, const QStringList &files,
                               WindowTree &tree, const QString &title);
