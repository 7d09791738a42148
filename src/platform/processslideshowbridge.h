#pragma once

#include <QByteArray>
#include <QPointer>
#include <QQueue>
#include <QSize>
#include <QTimer>

#include "platform/childprocess.h"
#include "platform/slidebridgeprotocol.h"
#include "platform/slideshowbridge.h"

// The live show in our own office, driven by the bridge program (quillboard-slidebridge),
// which alone links the office's libraries. One request at a time goes down its input, each
// numbered and with a time limit; only the answer bearing its number counts. Past the limit,
// on a line past its limit, or when the bridge or the office ends, the bridge and its whole
// process group are killed. What the office does by itself (the show moving, ending) comes up
// unasked. The office runs while a show needs it: it ends once no show is open or opening,
// and the next open starts it again. Nothing here waits for the bridge.
class ProcessSlideShowBridge : public SlideShowBridge
{
    Q_OBJECT
public:
    // Time limits: starting the office, loading the file, bringing the show up (the bridge
    // gives up a little earlier and says so), any call while the show runs. A first start on a
    // new machine reads the whole office from disk, the show's first frame its graphics too.
    static constexpr int officeTimeLimitMs = 90000;
    static constexpr int openTimeLimitMs = 60000;
    static constexpr int startTimeLimitMs = 45000;
    static constexpr int callTimeLimitMs = 2000;
    // The longest line taken from the bridge: the notes answer holds every slide's notes in
    // one line, at nine bytes a Chinese character.
    static constexpr int lineLimitBytes = 16 * 1024 * 1024;

    // program: the office's start command; profileDir: a folder of its own for its profile.
    ProcessSlideShowBridge(const QString &program, const QString &profileDir,
                           QObject *parent = nullptr);
    ~ProcessSlideShowBridge() override;

    // $QB_SLIDEBRIDGE, else quillboard-slidebridge beside the program.
    static QString bridgeProgram();

    void open(const QString &file, quintptr window, const QSize &size) override;
    void startOffice() override;
    void send(Command command, int slide = 0) override;
    void resize(const QSize &size) override;
    void close() override;
    void shutdown() override;
    bool isBusy() const override { return m_waiting || !m_queue.isEmpty(); }
    bool isLive() const override { return m_live; }
    // The bridge's process id (0 when none): its process group holds the office.
    qint64 processId() const;

private:
    enum Kind { Office, Open, Start, Notes, Step, Close, Plain };
    struct Request
    {
        Kind kind;
        // Numbered as it is sent.
        SlideBridgeProtocol::Request line;
        int timeLimitMs;
    };

    bool ensureBridge();
    void enqueue(Kind kind, const SlideBridgeProtocol::Request &line, int timeLimitMs);
    void sendNext();
    void readAnswers();
    // line: the answer as the bridge wrote it, after its number, for the log.
    void answer(const SlideBridgeProtocol::Answer &answer, const QByteArray &line);
    void event(const SlideBridgeProtocol::Event &event);
    bool stepsPending() const;
    void showGone();
    void failOpen(const QByteArray &answer = QByteArray(), bool refused = false);
    void beginOpen();
    // Why a bridge is given up on; only one that died is worth another try.
    enum Cause { Died, TimedOut, LineTooLong, Unreadable, NotStarted };
    void end(Cause cause);
    void onStarted(ChildProcess *process);
    void killBridge(int quitMs = 0);

    QString m_program;
    QString m_profileDir;
    QString m_pipeName;
    ChildProcess *m_process = nullptr;
    // A bridge asked to quit (it may hold the office still): the next one is sent nothing
    // until it has gone, so that two offices never share the profile.
    QPointer<ChildProcess> m_quitting;
    QByteArray m_buffer;
    // How much of the buffer is known to hold no line end.
    int m_scanned = 0;
    QQueue<Request> m_queue;
    Request m_current{Plain, {}, 0};
    quint64 m_lastNumber = 0;
    bool m_waiting = false;
    QTimer m_deadline;
    bool m_officeReady = false;
    bool m_officeAsked = false;
    bool m_opening = false;
    bool m_live = false;
    int m_slideCount = 0;
    // The open in progress, tried again once when the office dies while it opens.
    QString m_openFile;
    quintptr m_openWindow = 0;
    QSize m_openSize;
    int m_openTries = 0;
};
