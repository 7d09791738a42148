#pragma once

#include <QObject>

// Reports logind's PrepareForSleep(true) on the system bus. Without a system bus or logind
// it stays silent.
class SuspendWatcher : public QObject
{
    Q_OBJECT
public:
    explicit SuspendWatcher(QObject *parent = nullptr);
    bool isListening() const { return m_listening; }

signals:
    void suspending();

private slots:
    void onPrepareForSleep(bool start);

private:
    bool m_listening = false;
};
