#pragma once

#include <QString>

class QMessageBox;
class QWidget;

// The program's message boxes show plain text, so that a file name or a server's text is
// never read as markup (a live link could have any file or program opened). The one exception
// is the line break "<br>" that some of our own messages hold.
void setMessageBoxText(QMessageBox &box, const QString &text);

// A modal message with an OK button and the window's icon, as QMessageBox::about shows it.
void showMessageBox(QWidget *parent, const QString &title, const QString &text);

// A modal question "墨岚白板提示" with "确定" (the default) and "取消"; true for "确定".
bool askQuestionBox(QWidget *parent, const QString &text);
