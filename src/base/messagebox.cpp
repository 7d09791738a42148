#include "base/messagebox.h"

#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>

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

void fitTitle(QMessageBox *box)
{
    // Qt gives the title only its width in the box's own font and 50 pixels, so a short text
    // leaves it cut ("墨岚…息") by a title bar's bolder font, its icon and its three buttons.
    auto *grid = qobject_cast<QGridLayout *>(box->layout());
    if (!grid)
        return;
    QFont font = box->font();
    font.setBold(true);
    const QFontMetrics metrics(font);
    const int needed =
        metrics.horizontalAdvance(box->windowTitle()) * 3 / 2 + 6 * (metrics.height() + 8);
    // A row of its own below the others: the grid is made again when the box's parts change.
    grid->addItem(new QSpacerItem(needed, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, qMax(1, grid->columnCount()));
}

void showMessageBox(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Information, title, QString(), QMessageBox::Ok, parent);
    setMessageBoxText(box, text);
    const QIcon icon = box.windowIcon();
    box.setIconPixmap(icon.pixmap(icon.actualSize(QSize(64, 64))));
    fitTitle(&box);
    box.exec();
}

bool askYesNo(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Question, title, QString(), QMessageBox::NoButton, parent);
    setMessageBoxText(box, text);
    QPushButton *yes = box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
    box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    box.setDefaultButton(yes);
    fitTitle(&box);
    box.exec();
    return box.clickedButton() == yes;
}
