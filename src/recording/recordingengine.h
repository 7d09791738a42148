#pragma once

#include <QObject>
#include <QPixmap>
#include <QString>
#include <memory>

#include "recording/recordingoptions.h"

class RecordingBackend;

// The recording engine as the main window drives it. The engine itself, with FFmpeg, lives in
// a module loaded on the first recording (createRecordingEngine), so that the program starts
// without FFmpeg's libraries.
class RecordingEngine : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void setBackend(std::shared_ptr<RecordingBackend> backend) = 0;
    virtual bool isRecording() const = 0;
    // What the recording under way, or the last one, was started with; the file name is the
    // one written.
    virtual const RecordingOptions &options() const = 0;
    virtual void notifyWindowMoved() = 0;
    virtual void notifyApplicationState(int state) = 0;

signals:
    void recorderStopError(QString text);
    void recorderTipError(QString text);
    // How a file whose finish outlasted its recording ended, told once the disk answers; the
    // recording was over by then, and another may be under way.
    void recorderFileNotice(QString text);

public slots:
    virtual void start(const RecordingOptions &options) = 0;
    virtual void pause() = 0;
    virtual void resume() = 0;
    virtual void stop() = 0;
};

// The module's file name and its one entry point, which makes an engine owned by parent.
#define QB_RECORDING_MODULE "quillboard-recording.so"
#define QB_RECORDING_ENTRY "createRecordingEngine"
using RecordingEngineEntry = RecordingEngine *(*)(QObject *parent);
