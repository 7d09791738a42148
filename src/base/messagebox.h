#pragma once

#include <QString>

class QMessageBox;
class QWidget;

// The program's message boxes. Every box is made wide enough for its whole title.

// An information box with the program's icon and one button (as QMessageBox::about); plain
// text is never read as rich text.
void showMessageBox(QWidget *parent, const QString &title, const QString &text,
                    bool plainText = false);
// A question with "确定" and "取消"; true for "确定".
bool askYesNo(QWidget *parent, const QString &title, const QString &text);
// Widens a box that is set up and about to be shown, so that a window manager's title bar
// shows its whole title.
void fitTitle(QMessageBox *box);
