#pragma once

#include <QPixmap>
#include <QString>
#include <QWidget>

// The stamp picker. Stamp names "0", "1" and "2" are the built-in tick, half tick and cross; any
// other name is a picture file in the stamp folder.
class StampDialog : public QWidget
{
    Q_OBJECT
public:
    explicit StampDialog(QWidget *parent = nullptr);

    // The picture of a stamp; null when the name has none.
    static QPixmap stampPixmap(const QString &name);
};
