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
    recorder.areaX = areaX;
    recorder.areaY = areaY;
    recorder.areaWidth = areaWidth;
    recorder.areaHeight = areaHeight;
    recorder.outputWidth = outputWidth;
    recorder.outputHeight = outputHeight;
    recorder.audioMode = audioMode;
    recorder.videoQuality = videoQuality;
    recorder.watermarkCorner = watermarkCorner;
    recorder.startSnapshot = startSnapshot;
    recorder.outputFileName = outputFileName;
    recorder.start();
    outputFileName = recorder.outputFileName;
}

extern "C" Q_DECL_EXPORT RecordingEngine *createRecordingEngine(QObject *parent)
{
    return new VideoRecorderEngine(parent);
}
