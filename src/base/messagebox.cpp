#include "base/messagebox.h"

#include <QMessageBox>
#include <QPushButton>

void setMessageBoxText(QMessageBox &box, const QString &text)
{
    const QString lineBreak = QStringLiteral("<br>");
    if (!text.contains(lineBreak)) {
        box.setTextFormat(Qt::PlainText);
        box.setText(text);
        return;
    }
    box.setTextFormat(Qt::RichText);
    box.setText(text.toHtmlEscaped().replace(QStringLiteral("&lt;br&gt;"), lineBreak));
}

void showMessageBox(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Information, title, QString(), QMessageBox::Ok, parent);
    setMessageBoxText(box, text);
    const QIcon icon = box.windowIcon();
    box.setIconPixmap(icon.pixmap(icon.actualSize(QSize(64, 64))));
    box.exec();
}

bool askQuestionBox(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("墨岚白板提示"), QString(),
                    QMessageBox::NoButton, parent);
    setMessageBoxText(box, text);
    QPushButton *yes = box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
    box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    box.setDefaultButton(yes);
    box.exec();
    return box.clickedButton() == yes;
}
