#pragma once

#include <QPixmap>
#include <QString>
#include <QWidgetAction>

class QLabel;
class QPushButton;

// A menu entry drawn as a checkable button holding a text and a picture. Clicking the button
// triggers the action with the button's checked state and closes the menu.
class PAction : public QWidgetAction
{
    Q_OBJECT
public:
    explicit PAction(QWidget *parent);
    ~PAction() override;

    void setPixmapAndText(const QPixmap &pixmap, const QString &text);
    QPushButton *button() const { return entryButton; }

private:
    QWidget *menu = nullptr;
    QPushButton *entryButton = nullptr;
    QLabel *textLabel = nullptr;
    QLabel *pixmapLabel = nullptr;
};
