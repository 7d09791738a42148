#pragma once

#include <QLine>
#include <QVector>
#include <QWidget>

// Green corner brackets round the recorded area. The window is masked to the brackets and
// lets input through, so what it frames stays usable without a compositor.
class AVRecordAreaBox : public QWidget
{
    Q_OBJECT
public:
    explicit AVRecordAreaBox(QWidget *parent = nullptr);

    void setArea(const QRect &area);
    // The eight bracket strokes of a box of the given size with arms of the given length.
    static QVector<QLine> bracketLines(const QSize &size, int arm, int borderWidth);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int borderWidth = 4;
};
