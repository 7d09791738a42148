#pragma once

#include <QList>
#include <QPixmap>
#include <QString>

#include "platform/windowtree.h"

// The first top-level window whose trimmed title equals title (case-sensitive).
bool findTopLevelWindowByTitle(const WindowTree &tree, const QString &title, WindowHandle &found);
// Every top-level window whose title contains text (any case), listed once more for each
// descendant whose title contains it.
bool findWindowsByTitleText(const WindowTree &tree, const QString &text,
                            QList<WindowHandle> &found);
int countChildWindows(const WindowTree &tree, WindowHandle window);
QPixmap grabPrimaryScreen();
// What the user is told when the screen's picture cannot be had.
QString screenGrabFailedText();
