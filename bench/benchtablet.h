#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QTabletEvent>
#include <QWidget>

#include <vector>

struct Sample
{
    QPointF at;
    qreal pressure;
};

inline void sendTablet(QWidget *board, QEvent::Type type, const Sample &s)
{
    QTabletEvent event(type, s.at, board->mapToGlobal(s.at.toPoint()), QTabletEvent::Stylus,
                       QTabletEvent::Pen, s.pressure, 0, 0, 0, 0, 0, Qt::NoModifier, 1,
                       type == QEvent::TabletMove ? Qt::NoButton : Qt::LeftButton,
                       type == QEvent::TabletRelease ? Qt::NoButton : Qt::LeftButton);
    QApplication::sendEvent(board, &event);
}

// One pen stroke along the path; the milliseconds each move took to handle, painting included.
inline std::vector<double> strokeCosts(QWidget *board, const std::vector<Sample> &path)
{
    std::vector<double> costs;
    costs.reserve(path.size());
    sendTablet(board, QEvent::TabletPress, path.front());
    QElapsedTimer timer;
    for (size_t i = 1; i + 1 < path.size(); ++i) {
        timer.start();
        sendTablet(board, QEvent::TabletMove, path[i]);
        costs.push_back(timer.nsecsElapsed() / 1e6);
        // Let queued repaints happen between events, as between real pen reports.
        if (i % 8 == 0)
            QApplication::processEvents();
    }
    sendTablet(board, QEvent::TabletRelease, path.back());
    QApplication::processEvents();
    return costs;
}
