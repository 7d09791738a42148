#pragma once

#include <QList>
#include <QWidgetAction>

class QButtonGroup;
class QPushButton;

// The grid of geometry shape buttons that fills the shape button's menu.
class ShapeAction : public QWidgetAction
{
    Q_OBJECT
public:
    explicit ShapeAction(QWidget *menu);
    ~ShapeAction() override;

    void setCheckedShape(int id);
    // The button of a shape id, nullptr for an unknown id.
    QPushButton *shapeButton(int id) const;
    static QList<int> shapeIds();

signals:
    void shapeClicked(int id);

private:
    QWidget *menu = nullptr;
    int spacing = 0;
    int buttonSide = 0;
    QPushButton *container = nullptr;
    QButtonGroup *group = nullptr;
    QList<QPushButton *> buttons; // in the order of shapeIds()
};
