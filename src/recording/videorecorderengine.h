#pragma once

#include "recording/recordingengine.h"
#include "recording/videorecorder.h"

// The engine the recording module hands out: the window's settings passed on to the FFmpeg
// recorder at each start.
class VideoRecorderEngine : public RecordingEngine
{
    Q_OBJECT
public:
    explicit VideoRecorderEngine(QObject *parent = nullptr);

    void setBackend(std::shared_ptr<RecordingBackend> backend) override;
    bool isRecording() const override { return recorder.isRecording(); }
    void notifyWindowMoved() override { recorder.notifyWindowMoved(); }
    void notifyApplicationState(int state) override { recorder.notifyApplicationState(state); }

public slots:
    void start() override;
    void pause() override { recorder.pause(); }
    void resume() override { recorder.resume(); }
    void stop() override { recorder.stop(); }

private:
    VideoRecorder recorder;
};
