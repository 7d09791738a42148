#pragma once

#include <memory>

#include "mainwindow/recordingcontroller.h"

// The window's recording members: each hands over to the recording controller the window
// composes.
class RecordingHandOver
{
public:
    void recordCommand(int command)
    {
        recordingControl->recordCommand(RecordingController::stepFromInt(command));
    }
    void onRecordStartClicked(int command) { recordCommand(command); }
    void onRecordStopClicked() { recordingControl->onRecordStopClicked(); }
    void onRecorderStopError(const QString &text) { recordingControl->onRecorderStopError(text); }
    void onRecorderTipError(const QString &text) { recordingControl->onRecorderTipError(text); }
    bool loadRecorder() { return recordingControl->loadRecorder(); }
    void onRecordClockTick() { recordingControl->onRecordClockTick(); }
    static QPixmap grabScreenArea(int x, int y, int w, int h)
    {
        return RecordingController::grabScreenArea(x, y, w, h);
    }
    bool isRecording() const { return recordingControl->isRecording(); }
    // Null until the first recording loads the engine.
    RecordingEngine *recorder() const { return recordingControl->recorder(); }
    QWidget *recordAreaBox() const { return recordingControl->recordAreaBox(); }
    RecordingController *recordingController() const { return recordingControl; }
    // What the engine records from; unset, it takes the screen and the microphone.
    void setRecordingBackend(std::shared_ptr<RecordingBackend> backend)
    {
        recordingControl->setRecordingBackend(std::move(backend));
    }

protected:
    // Made with the window.
    RecordingController *recordingControl = nullptr;
};
