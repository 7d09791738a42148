#pragma once

#include <QPixmap>
#include <QRect>
#include <QWidget>
#include <functional>

// Lets the user pick an area of the desktop. Selecting is not available in this build yet:
// a started selection tells the user so and ends as cancelled.
class DesktopAreaSelecter : public QWidget
{
    Q_OBJECT
public:
    using AreaAdjuster = std::function<void(int &, int &, int &, int &)>;

    explicit DesktopAreaSelecter(QWidget *parent = nullptr);

    void setDesktopPixmap(const QPixmap &snapshot);
    void setAreaAdjuster(const AreaAdjuster &adjuster) { m_adjuster = adjuster; }
    void setSaveButtonVisible(bool visible) { m_saveVisible = visible; }
    void startSelection(const QRect &initial);

signals:
    void selectedOver(QRect area, bool confirmed);

private:
    void finish();

    QPixmap m_snapshot;
    AreaAdjuster m_adjuster;
    bool m_saveVisible = false;
};
