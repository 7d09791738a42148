#pragma once

#include <QLayout>
#include <QList>
#include <QStyle>

// Places its items left to right and wraps to a new row when the next item would cross the
// right edge. A negative spacing is taken from the surroundings.
class FlowLayout : public QLayout
{
    Q_OBJECT
public:
    FlowLayout(QWidget *parent, int margin, int hSpacing, int vSpacing);
    FlowLayout(int margin, int hSpacing, int vSpacing);
    ~FlowLayout() override;

    void addItem(QLayoutItem *item) override;
    Qt::Orientations expandingDirections() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect &rect) override;
    QLayoutItem *itemAt(int index) const override;
    QLayoutItem *takeAt(int index) override;
    int count() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

    int horizontalSpacing() const;
    int verticalSpacing() const;

private:
    int doLayout(const QRect &rect, bool testOnly) const;
    int smartSpacing(QStyle::PixelMetric metric) const;
    int itemSpacing(QLayoutItem *item, int stored, Qt::Orientation orientation) const;

    QList<QLayoutItem *> items;
    int hSpace = -1;
    int vSpace = -1;
};
