#pragma once

#include <QObject>

// Records the screen. Recording is not available in this build yet; the recorder never runs.
class VideoRecorder : public QObject
{
    Q_OBJECT
public:
    explicit VideoRecorder(QObject *parent = nullptr);

    void stop() {}
    void notifyApplicationState(int) {}
    void notifyWindowMoved() {}

signals:
    void recorderStopError(QString text);
    void recorderTipError(QString text);
};
