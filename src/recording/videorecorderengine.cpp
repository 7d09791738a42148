#include "recording/videorecorderengine.h"

#include "recording/recordingbackend.h"

VideoRecorderEngine::VideoRecorderEngine(QObject *parent)
    : RecordingEngine(parent)
{
    connect(&recorder, &VideoRecorder::recorderStopError, this,
            &RecordingEngine::recorderStopError);
    connect(&recorder, &VideoRecorder::recorderTipError, this, &RecordingEngine::recorderTipError);
}

void VideoRecorderEngine::setBackend(std::shared_ptr<RecordingBackend> backend)
{
    recorder.setBackend(std::move(backend));
}

void VideoRecorderEngine::start()
{
    static_cast<RecordingOptions &>(recorder) = *this;
    recorder.start();
    outputFileName = recorder.outputFileName;
}

extern "C" Q_DECL_EXPORT RecordingEngine *createRecordingEngine(QObject *parent)
{
    return new VideoRecorderEngine(parent);
}
