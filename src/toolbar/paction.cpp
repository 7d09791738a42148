#include "toolbar/paction.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "base/uimetrics.h"

PAction::PAction(QWidget *parent)
    : QWidgetAction(parent)
    , menu(parent)
{
    entryButton = new QPushButton(parent);
    textLabel = new QLabel(entryButton);
    pixmapLabel = new QLabel(entryButton);
    auto *layout = new QHBoxLayout(entryButton);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(textLabel);
    layout->addWidget(pixmapLabel);
    setDefaultWidget(entryButton);

    entryButton->setCheckable(true);
    entryButton->setStyleSheet(
        QString("QPushButton{background-color:transparent;border:0;border-style:none;"
                "border-radius:%1;}QPushButton:hover{background-color:%2;}"
                "QPushButton:checked{background-color:%3;}")
            .arg(borderRadius())
            .arg(hoverBackgroundColor().name(), checkedBackgroundColor().name()));
    connect(entryButton, &QPushButton::clicked, this, [this](bool checked) {
        emit triggered(checked);
        if (menu)
            menu->hide();
    });
}

PAction::~PAction() = default;

void PAction::setPixmapAndText(const QPixmap &pixmap, const QString &text)
{
    pixmapLabel->setPixmap(pixmap);
    pixmapLabel->setFixedSize(pixmap.size());
    textLabel->setText(text);
    textLabel->setAlignment(Qt::AlignCenter);
    if (!text.isEmpty()) {
        entryButton->setFixedSize(2 * pixmap.width(), pixmap.height());
    } else {
        textLabel->setFixedWidth(1);
        entryButton->setFixedSize(pixmap.size());
    }
}
