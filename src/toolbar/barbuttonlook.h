#pragma once

#include <QIcon>
#include <QString>

class QPushButton;
class QToolButton;

// The square buttons the tool bars are made of: transparent until hovered, with the bar's
// corner radius and hover and checked colours.
struct BarButtonLook
{
    int side = 0;
    int radius = 0;
    QString hover;
    QString checked;

    // A command button; a null icon leaves the button's picture to its owner.
    void styleTool(QToolButton *button, const QIcon &icon, const QString &toolTip) const;
    // A checkable button that shows when it is checked.
    void styleCheckable(QPushButton *button, const QIcon &icon, const QString &toolTip) const;
};
