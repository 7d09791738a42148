#pragma once

#include <QWidget>

// The advertisement window. This build has no advertisement service: every query fails.
class Advertise : public QWidget
{
    Q_OBJECT
public:
    explicit Advertise(QWidget *parent = nullptr);
    void start();

signals:
    void linked();
    void linkErrored();
    void hasMessage(QString text);
    void advertiseLoaded();
};
