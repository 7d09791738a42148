#pragma once

#include <QString>

class QMessageBox;
class QWidget;

// The program's message boxes. Every box is made wide enough for its whole title, and shows
// plain text, so that a file name or a server's text is never read as markup (a live link
// could have any file or program opened); the one exception is the line break "<br>" that
// some of our own messages hold.

// Sets text on box by that rule.
void setMessageBoxText(QMessageBox &box, const QString &text);
// An information box with the program's icon and one button (as QMessageBox::about).
void showMessageBox(QWidget *parent, const QString &title, const QString &text);
// A question with "确定" (the default) and "取消"; true for "确定".
bool askYesNo(QWidget *parent, const QString &title, const QString &text);
// Widens a box that is set up and about to be shown, so that a window manager's title bar
// shows its whole title.
void fitTitle(QMessageBox *box);
