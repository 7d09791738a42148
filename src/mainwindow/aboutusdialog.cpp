#include "mainwindow/aboutusdialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include "base/globals.h"
#include "base/paths.h"
#include "base/uimetrics.h"

namespace {

QLineEdit *valueLine(QWidget *parent, const QString &text)
{
    auto *line = new QLineEdit(parent);
    line->setFixedSize(sidePanelWidth(), titleBarButtonSize());
    line->setText(text);
    line->setReadOnly(true);
    line->setCursor(Qt::IBeamCursor);
    line->setContextMenuPolicy(Qt::NoContextMenu);
    line->setStyleSheet(
        QStringLiteral("QLineEdit{border:0;border-style:none;background-color:transparent;}"));
    return line;
}

} // namespace

QString AboutUsDialog::contactAddress()
{
    return QStringLiteral("support@quillboard.invalid");
}

AboutUsDialog::AboutUsDialog(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(tr("关于我们"));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    setAutoFillBackground(true);

    auto *grid = new QGridLayout;
    const QString captions[] = {tr("软件名称："), tr("当前版本："), tr("网站地址："),
                                tr("联系邮箱：")};
    for (int row = 0; row < 4; ++row) {
        auto *caption = new QLabel(captions[row], this);
        caption->setFixedSize(2 * narrowPanelWidth(), titleBarButtonSize());
        caption->setAlignment(Qt::AlignCenter);
        grid->addWidget(caption, row, 0);
    }
    grid->addWidget(valueLine(this, appTitle), 0, 1);
    versionEdit = valueLine(this, QString());
    grid->addWidget(versionEdit, 1, 1);
    auto *link = new QLabel(this);
    link->setFixedSize(sidePanelWidth(), titleBarButtonSize());
    const QString address = websiteUrl();
    if (!address.isEmpty())
        link->setText(QStringLiteral("<a href='") + address + QStringLiteral("'>") + address +
                      QStringLiteral("</a>"));
    link->setOpenExternalLinks(true);
    grid->addWidget(link, 2, 1);
    grid->addWidget(valueLine(this, contactAddress()), 3, 1);
    setLayout(grid);
}

int AboutUsDialog::showVersion(const QString &version)
{
    versionEdit->setText(version);
    return exec();
}

QString AboutUsDialog::versionText() const
{
    return versionEdit->text();
}
