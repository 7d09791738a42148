#include "slideshow/officeopenwithdialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/uimetrics.h"

OfficeOpenWithDialog::OfficeOpenWithDialog(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("选择打开方式"));
    QPalette pal = palette();
    pal.setBrush(QPalette::All, QPalette::Window, QBrush(Qt::white));
    setPalette(pal);
    setAutoFillBackground(true);

    const QString strip = stripBackgroundColor().name();
    m_hint = new QLabel(QStringLiteral("温馨提示：WPS兼容模式下，均默认使用WPS打开文件"), this);
    m_hint->setFixedHeight(titleBarButtonSize());
    m_hint->setAlignment(Qt::AlignCenter);
    m_hint->setStyleSheet(QStringLiteral("QLabel{color:#909090;background-color:") + strip +
                          QStringLiteral(";}"));

    const int side = narrowPanelWidth();
    const QString buttonStyle = QStringLiteral("QPushButton{background-color:") + strip +
                                QStringLiteral(";border:1 solid ") + borderColor().name() +
                                QStringLiteral(";}QPushButton:hover{background-color:") +
                                hoverBackgroundColor().name() + QStringLiteral(";}");
    auto *buttons = new QWidget(this);
    auto *row = new QHBoxLayout(buttons);
    m_officeButton = new QPushButton(QStringLiteral("Office"), buttons);
    m_wpsButton = new QPushButton(QStringLiteral("WPS"), buttons);
    for (QPushButton *button : {m_officeButton, m_wpsButton}) {
        button->setFixedSize(side, side);
        button->setStyleSheet(buttonStyle);
        row->addWidget(button);
    }

    auto *column = new QVBoxLayout(this);
    column->addWidget(m_hint);
    column->addWidget(buttons);
    setMinimumSize(6 * side, 3 * side);

    connect(m_officeButton, &QPushButton::clicked, this, &OfficeOpenWithDialog::chooseOffice);
    connect(m_wpsButton, &QPushButton::clicked, this, &OfficeOpenWithDialog::chooseWps);
}

int OfficeOpenWithDialog::choose()
{
    exec();
    return m_choice;
}

void OfficeOpenWithDialog::chooseOffice()
{
    m_choice = 1;
    accept();
}

void OfficeOpenWithDialog::chooseWps()
{
    m_choice = 2;
    accept();
}
