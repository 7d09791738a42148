#pragma once

#include <QObject>
#include <QPixmap>
#include <QString>
#include <memory>

class RecordingBackend;

// The recording engine as the main window drives it. The engine itself, with FFmpeg, lives in
// a module loaded on the first recording (createRecordingEngine), so that the program starts
// without FFmpeg's libraries.
class RecordingEngine : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Set by the main window before start().
    int areaX = 0;
    int areaY = 0;
    int areaWidth = 1920;
    int areaHeight = 1080;
    int outputWidth = 1920;
    int outputHeight = 1080;
    int audioMode = 0; // 0 microphone, 1 system sound, 2 both (all the microphone), 3 none
    int videoQuality = 0;
    int watermarkCorner = 0; // 0 none, 1 top-left, 2 top-right, 3 bottom-right, 4 bottom-left
    QPixmap startSnapshot;
    // The file to write; start() stores the free name it picked when the file existed.
    QString outputFileName;

    virtual void setBackend(std::shared_ptr<RecordingBackend> backend) = 0;
    virtual bool isRecording() const = 0;
    virtual void notifyWindowMoved() = 0;
    virtual void notifyApplicationState(int state) = 0;

signals:
    void recorderStopError(QString text);
    void recorderTipError(QString text);

public slots:
    virtual void start() = 0;
    virtual void pause() = 0;
    virtual void resume() = 0;
    virtual void stop() = 0;
};

// The module's file name and its one entry point, which makes an engine owned by parent.
#define QB_RECORDING_MODULE "quillboard-recording.so"
#define QB_RECORDING_ENTRY "createRecordingEngine"
using RecordingEngineEntry = RecordingEngine *(*)(QObject *parent);
