#pragma once

#include <QObject>
#include <QPixmap>
#include <QStringList>
#include <memory>

#include "base/recordstep.h"

class DesktopAreaSelecter;
class QTimer;
class QWidget;
class RecordingBackend;
class RecordingEngine;
class ToolBarPort;
struct AppSettings;

// What the recording needs of the window it sits beside.
class RecordingControlHost
{
public:
    // The selector's parent, brought to the front when a recording fails.
    virtual QWidget *recordingWindow() = 0;
    virtual const AppSettings &recordingSettings() const = 0;
    // The tool bar's record buttons and time, looked up each time (tests swap the bar).
    virtual ToolBarPort &recordingToolBar() = 0;
    // The whole primary screen; null when it cannot be had.
    virtual QPixmap grabDesktop() = 0;
    virtual void showRecordingMessage(const QString &text) = 0;
    // Shown once the current event is over, after the controls are reset.
    virtual void showRecordingMessageLater(const QString &text) = 0;

protected:
    ~RecordingControlHost() = default;
};

// Screen recording as the window drives it: the record button's steps (a pause or stop clicked
// while a start still runs is held for its end), the engine module loaded on the first
// recording, the frame around the recorded area, the clock of the tool bar's time, and the
// area screenshot's selector.
//
// A stop reaches the file only through the engine's threads: stop() tells the writers to stop
// (queued to their threads), each writer answers writerStoped (queued back), its thread is told
// to quit, the thread's end deletes the writer, and the writer's destroyed signal (queued back
// once more) lets the engine finish the file on a thread of its own; only a failure comes back
// here, as recorderStopError.
class RecordingController : public QObject
{
public:
    explicit RecordingController(RecordingControlHost &host, QObject *parent = nullptr);

    // The number the tool bar sends; any other than 1, 2 or 3 is Idle, which does nothing.
    static RecordStep stepFromInt(int command);
    void recordCommand(RecordStep step);
    // The stop button: the engine finishes the file; the recordings' folder is opened.
    void onRecordStopClicked();
    void onRecorderStopError(const QString &text);
    // The engine's passing hints are not shown: the controls already say what it does.
    void onRecorderTipError(const QString &) {}
    void onRecordClockTick();
    // Loads the recording engine on the first recording; false, with the user told, when the
    // module cannot be loaded.
    bool loadRecorder();
    // A picture of the screen area given in screen pixels; black where it cannot be had.
    static QPixmap grabScreenArea(int x, int y, int w, int h);
    void startAreaScreenshot();
    void notifyWindowMoved();
    void notifyApplicationState(int state);
    // The program ends: no clock, no frame.
    void shutDown();

    // From the record press: a start that still waits counts, so that a stop reaches it.
    bool isRecording() const { return recording || recordStarting; }
    // Null until the first recording loads the engine.
    RecordingEngine *recorder() const { return videoRecorder; }
    // What the engine records from; unset, the engine takes the screen and microphone.
    void setRecordingBackend(std::shared_ptr<RecordingBackend> backend);
    QWidget *recordAreaBox() const { return recordAreaFrame; }
    // Where the recording module is looked for.
    QStringList moduleFolders;

private:
    void start();
    bool folderUsable(const QString &folder);
    void closeAreaFrame();

    RecordingControlHost &host;
    DesktopAreaSelecter *areaSelecter = nullptr;
    QWidget *recordAreaFrame = nullptr;
    RecordingEngine *videoRecorder = nullptr;
    std::shared_ptr<RecordingBackend> recordingBackend;
    bool recording = false;
    // While a start runs events (the desktop's share dialog, the wait for the first picture),
    // a pause or a stop clicked meanwhile is held for its end.
    bool recordStarting = false;
    bool recordPauseHeld = false;
    bool recordStopHeld = false;
    QTimer *recordClock = nullptr;
    qint64 recordSeconds = 0;
};
