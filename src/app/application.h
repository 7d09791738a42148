#pragma once

#include <QApplication>

class Application : public QApplication
{
    Q_OBJECT
public:
    Application(int &argc, char **argv);

signals:
    void systemSuspended();
    void systemHotKey(int modifiers, int virtualKey);

protected:
    bool event(QEvent *event) override;
};
