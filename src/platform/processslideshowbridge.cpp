#include "platform/processslideshowbridge.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <unistd.h>
#include <csignal>

namespace Protocol = SlideBridgeProtocol;

namespace {

constexpr int bridgeGraceMs = 300;
// A bridge asked to quit ends the office first, which takes a moment.
constexpr int quitGraceMs = 1500;

std::string fileUrl(const QString &path)
{
    return QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded().toStdString();
}

Protocol::Verb commandVerb(SlideShowBridge::Command command)
{
    switch (command) {
        case SlideShowBridge::First:
            return Protocol::Verb::First;
        case SlideShowBridge::PreviousStep:
            return Protocol::Verb::PreviousStep;
        case SlideShowBridge::NextStep:
            return Protocol::Verb::NextStep;
        case SlideShowBridge::PreviousSlide:
            return Protocol::Verb::PreviousSlide;
        case SlideShowBridge::NextSlide:
            return Protocol::Verb::NextSlide;
        case SlideShowBridge::Last:
            return Protocol::Verb::Last;
        case SlideShowBridge::GotoSlide:
            return Protocol::Verb::Goto;
        case SlideShowBridge::Poll:
            break;
    }
    return Protocol::Verb::State;
}

Protocol::Request requestOf(Protocol::Verb verb)
{
    Protocol::Request request;
    request.verb = verb;
    return request;
}

void sendLine(ChildProcess *process, Protocol::Request request, quint64 number)
{
    request.number = number;
    process->write(QByteArray::fromStdString(Protocol::formatRequest(request)) + Protocol::lineEnd);
}

const char *stageName(int kind)
{
    switch (kind) {
        case 0:
            return "starting the office";
        case 1:
            return "loading the file";
        case 2:
            return "starting the show";
        default:
            return "reading the notes";
    }
}

} // namespace

ProcessSlideShowBridge::ProcessSlideShowBridge(const QString &program, const QString &profileDir,
                                               QObject *parent)
    : SlideShowBridge(parent)
    , m_program(program)
    , m_profileDir(profileDir)
{
    static int counter = 0;
    // Unique to this process: never an office that someone else started.
    m_pipeName = QStringLiteral("quillboard-%1-%2-%3")
                     .arg(QCoreApplication::applicationPid())
                     .arg(++counter)
                     .arg(quintptr(this), 0, 16);
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] { end(TimedOut); });
}

ProcessSlideShowBridge::~ProcessSlideShowBridge()
{
    shutdown();
}

QString ProcessSlideShowBridge::bridgeProgram()
{
    const QString set = qEnvironmentVariable("QB_SLIDEBRIDGE");
    if (!set.isEmpty())
        return set;
    return QCoreApplication::applicationDirPath() + QStringLiteral("/quillboard-slidebridge");
}

qint64 ProcessSlideShowBridge::processId() const
{
    return m_process ? m_process->processId() : 0;
}

bool ProcessSlideShowBridge::ensureBridge()
{
    if (m_process && m_process->state() != QProcess::NotRunning)
        return true;
    const QString bridge = bridgeProgram();
    if (m_program.isEmpty() || !QFileInfo(bridge).isExecutable())
        return false;
    killBridge();
    // One still quitting goes at once: the new one is sent nothing until it has gone.
    if (m_quitting)
        m_quitting->end(bridgeGraceMs, true);
    m_process = new ChildProcess(this);
    // Its TERM handler takes the office and its pipes along.
    m_process->setParentDeathSignal(SIGTERM);
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(m_process, &QProcess::readyReadStandardOutput, this,
            &ProcessSlideShowBridge::readAnswers);
    ChildProcess *process = m_process;
    // Requests wait in the queue until it runs.
    connect(process, &QProcess::started, this, [this, process] { onStarted(process); });
    connect(process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), this,
            [this, process] {
                if (process == m_process)
                    end(Died);
            });
    // Queued: a failed start may be told from inside start().
    connect(
        process, &QProcess::errorOccurred, this,
        [this, guard = QPointer<ChildProcess>(process)](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart && guard && guard == m_process)
                end(NotStarted);
        },
        Qt::QueuedConnection);
    m_officeReady = false;
    m_process->start(bridge, QStringList());
    return true;
}

void ProcessSlideShowBridge::onStarted(ChildProcess *process)
{
    if (process != m_process)
        return;
    // One that could not be given a group of its own has been killed: it could not take the
    // office along when it ends.
    if (!process->hasOwnGroup()) {
        end(NotStarted);
        return;
    }
    sendNext();
}

void ProcessSlideShowBridge::open(const QString &file, quintptr window, const QSize &size)
{
    if (m_live || m_opening)
        close();
    m_openFile = file;
    m_openWindow = window;
    m_openSize = size;
    m_openTries = 0;
    beginOpen();
}

void ProcessSlideShowBridge::beginOpen()
{
    ++m_openTries;
    const QSize size = m_openSize;
    if (!ensureBridge()) {
        QMetaObject::invokeMethod(
            this, [this] { emit openFailed(false); }, Qt::QueuedConnection);
        return;
    }
    m_opening = true;
    startOffice();
    Protocol::Request open = requestOf(Protocol::Verb::Open);
    open.window = m_openWindow;
    open.width = size.width();
    open.height = size.height();
    open.url = fileUrl(m_openFile);
    enqueue(Open, open, openTimeLimitMs);
    enqueue(Start, requestOf(Protocol::Verb::Start), startTimeLimitMs);
    enqueue(Notes, requestOf(Protocol::Verb::Notes), openTimeLimitMs);
}

void ProcessSlideShowBridge::startOffice()
{
    if (m_officeReady || m_officeAsked || !ensureBridge())
        return;
    m_officeAsked = true;
    emit officeStarting();
    Protocol::Request office = requestOf(Protocol::Verb::Office);
    office.url = fileUrl(m_profileDir);
    office.pipe = m_pipeName.toStdString();
    office.program = m_program.toStdString();
    enqueue(Office, office, officeTimeLimitMs);
}

void ProcessSlideShowBridge::send(Command command, int slide)
{
    if (!m_live)
        return;
    Protocol::Request step = requestOf(commandVerb(command));
    if (command == GotoSlide)
        step.index = Protocol::indexFromSlide(slide);
    enqueue(Step, step, callTimeLimitMs);
}

void ProcessSlideShowBridge::resize(const QSize &size)
{
    if (!m_live && !m_opening)
        return;
    Protocol::Request sized = requestOf(Protocol::Verb::Size);
    sized.width = size.width();
    sized.height = size.height();
    const Request request{Plain, sized, callTimeLimitMs};
    // A show not started yet starts at this size, never showing a frame at the one before.
    for (int i = 0; i < m_queue.size(); ++i) {
        if (m_queue.at(i).kind == Start) {
            m_queue.insert(i, request);
            return;
        }
    }
    enqueue(request.kind, request.line, request.timeLimitMs);
}

void ProcessSlideShowBridge::close()
{
    const bool had = m_live || m_opening;
    m_live = false;
    m_opening = false;
    // A close already on its way (the office ended the show itself) stays, and answers.
    bool closing = m_waiting && m_current.kind == Close;
    QQueue<Request> kept;
    for (const Request &request : qAsConst(m_queue)) {
        if (request.kind == Close)
            kept.enqueue(request);
    }
    m_queue = kept;
    closing = closing || !m_queue.isEmpty();
    if (had && m_process)
        enqueue(Close, requestOf(Protocol::Verb::Close), callTimeLimitMs);
    else if (!closing || !m_process) {
        QMetaObject::invokeMethod(this, &SlideShowBridge::closed, Qt::QueuedConnection);
        // An office started ahead for a show that never came.
        if (m_process)
            shutdown();
    }
}

void ProcessSlideShowBridge::shutdown()
{
    m_queue.clear();
    m_live = false;
    m_opening = false;
    if (!m_process)
        return;
    // The bridge ends the office and itself on quit; a hung one is killed with its group.
    sendLine(m_process, requestOf(Protocol::Verb::Quit), ++m_lastNumber);
    killBridge(quitGraceMs);
}

void ProcessSlideShowBridge::enqueue(Kind kind, const Protocol::Request &line, int timeLimitMs)
{
    m_queue.enqueue({kind, line, timeLimitMs});
    sendNext();
}

void ProcessSlideShowBridge::sendNext()
{
    if (m_waiting || m_queue.isEmpty() || !m_process || m_quitting ||
        m_process->state() != QProcess::Running)
        return;
    m_current = m_queue.dequeue();
    m_current.line.number = ++m_lastNumber;
    m_waiting = true;
    sendLine(m_process, m_current.line, m_current.line.number);
    m_deadline.start(m_current.timeLimitMs);
}

void ProcessSlideShowBridge::readAnswers()
{
    if (!m_process)
        return;
    m_buffer += m_process->readAllStandardOutput();
    int at;
    // Only what came since the last look is searched: a long line comes in many pieces.
    while ((at = m_buffer.indexOf(Protocol::lineEnd, m_scanned)) >= 0) {
        m_scanned = 0;
        const QByteArray line = m_buffer.left(at);
        m_buffer.remove(0, at + 1);
        const std::string text = line.toStdString();
        const std::optional<quint64> number = Protocol::leadNumber(text);
        const std::optional<Protocol::Event> news =
            Protocol::isEvent(text) ? Protocol::parseEvent(text) : std::nullopt;
        if (news) {
            event(*news);
        } else if (m_waiting && number == m_current.line.number) {
            m_waiting = false;
            m_deadline.stop();
            const std::optional<Protocol::Answer> answered =
                Protocol::parseAnswer(text, m_current.line.verb);
            if (!answered) {
                qWarning("slide show: answer not understood: %s", line.left(200).constData());
                end(Unreadable);
                return;
            }
            answer(*answered, line.mid(line.indexOf(' ') + 1));
        } else if (!number || *number > m_lastNumber) {
            // Not ours to act on: the answer to a request no longer waited for (the quit), or
            // some library's own output.
            qWarning("slide show: stray line from the bridge: %s", line.left(200).constData());
        }
        if (!m_process)
            return;
    }
    m_scanned = m_buffer.size();
    if (m_buffer.size() > lineLimitBytes) {
        // No answer of ours is this long: the bridge is out of its mind.
        end(LineTooLong);
        return;
    }
    sendNext();
}

void ProcessSlideShowBridge::answer(const Protocol::Answer &answer, const QByteArray &line)
{
    const bool ok = answer.ok;
    if (!ok && answer.failure == Protocol::Failure::Lost) {
        end(Died);
        return;
    }
    switch (m_current.kind) {
        case Office:
            m_officeReady = ok;
            m_officeAsked = false;
            if (!ok) {
                // An office that will not start is not asked again for this show.
                failOpen(line);
                killBridge();
            }
            break;
        case Open:
            m_slideCount = answer.slides;
            if (!ok || m_slideCount <= 0) {
                failOpen(line, !ok && answer.failure == Protocol::Failure::Load);
            } else if (m_opening) {
                // 1/100 mm to points.
                const QSize size(qRound(answer.slideWidth * 72 / 2540.0),
                                 qRound(answer.slideHeight * 72 / 2540.0));
                emit loaded(m_slideCount, size);
            }
            break;
        case Start:
            if (!ok)
                failOpen(line);
            break;
        case Notes: {
            if (!ok || !m_opening) {
                failOpen(line);
                break;
            }
            QStringList notes;
            for (const std::string &text : answer.notes)
                notes << QString::fromStdString(text);
            m_opening = false;
            m_live = true;
            emit opened(m_slideCount, notes);
            break;
        }
        case Step: {
            if (!ok) {
                // The office failed the call: the show cannot be trusted any more.
                end(Died);
                return;
            }
            if (!m_live)
                break;
            if (!answer.state.running) {
                showGone();
                break;
            }
            // Only the newest state counts: an older one would turn the page back for a moment.
            // On no slide of ours (a hidden one, by a link) the page stays as it is.
            const int slide = Protocol::slideFromIndex(answer.state.index);
            if (slide >= 1 && m_queue.isEmpty())
                emit slideReported(slide, true);
            break;
        }
        case Close:
            emit closed();
            // No show needs the office any more.
            if (m_process && !m_live && !m_opening && m_queue.isEmpty())
                shutdown();
            break;
        case Plain:
            break;
    }
}

bool ProcessSlideShowBridge::stepsPending() const
{
    if (m_waiting && m_current.kind == Step)
        return true;
    for (const Request &request : m_queue) {
        if (request.kind == Step)
            return true;
    }
    return false;
}

void ProcessSlideShowBridge::event(const Protocol::Event &event)
{
    if (event.kind == Protocol::Event::Lost) {
        // The office's process ended: at once, not at the next command.
        end(Died);
    } else if (event.kind == Protocol::Event::Ended) {
        if (m_live)
            showGone();
    } else if (m_live) {
        if (!event.state.running) {
            showGone();
            return;
        }
        // A command on its way reports where it lands; an older move would undo it.
        const int slide = Protocol::slideFromIndex(event.state.index);
        if (slide >= 1 && !stepsPending())
            emit slideChanged(slide);
    }
}

void ProcessSlideShowBridge::showGone()
{
    // The office ended the show (its own end, a timed deck run out): no crash; the document
    // goes, then the office.
    m_live = false;
    QQueue<Request> kept;
    for (const Request &request : qAsConst(m_queue)) {
        if (request.kind != Step && request.kind != Plain)
            kept.enqueue(request);
    }
    m_queue = kept;
    enqueue(Close, requestOf(Protocol::Verb::Close), callTimeLimitMs);
    emit slideReported(0, false);
    emit showEnded();
}

void ProcessSlideShowBridge::failOpen(const QByteArray &answer, bool refused)
{
    const bool wasOpening = m_opening;
    // Which stage failed, and why: the bridge and the office have written more just before.
    qWarning("slide show: %s failed: %s", stageName(m_current.kind),
             answer.isEmpty() ? "no answer" : answer.constData());
    m_opening = false;
    m_queue.clear();
    if (m_officeReady && m_process)
        enqueue(Close, requestOf(Protocol::Verb::Close), callTimeLimitMs);
    if (wasOpening)
        emit openFailed(refused);
}

void ProcessSlideShowBridge::end(Cause cause)
{
    const bool wasLive = m_live;
    const bool wasOpening = m_opening;
    const char *why = cause == TimedOut      ? "no answer in time"
                      : cause == LineTooLong ? "a line from the bridge past the limit"
                      : cause == Unreadable  ? "an answer from the bridge not understood"
                      : cause == NotStarted  ? "the bridge did not start"
                                             : "the office or its bridge ended";
    if (m_waiting && (wasOpening || m_current.kind == Office))
        qWarning("slide show: %s failed: %s", stageName(m_current.kind), why);
    else if (cause != Died)
        qWarning("slide show: bridge given up: %s", why);
    m_live = false;
    m_opening = false;
    m_queue.clear();
    killBridge();
    // An office that dies while it opens a show now and then opens it the next time (on a
    // slow machine it has died twice running); one that hangs would only keep the teacher
    // waiting again, and one that will not start or talks nonsense would do so again.
    if (wasOpening && cause == Died && m_openTries < 3) {
        beginOpen();
        return;
    }
    if (wasOpening)
        emit openFailed(false);
    else if (wasLive)
        emit lost();
    // Nothing of the office holds the show's window any more.
    emit closed();
}

void ProcessSlideShowBridge::killBridge(int quitMs)
{
    m_deadline.stop();
    m_waiting = false;
    m_officeReady = false;
    m_officeAsked = false;
    m_buffer.clear();
    m_scanned = 0;
    ChildProcess *process = m_process;
    m_process = nullptr;
    if (!process)
        return;
    process->disconnect(this);
    // The bridge's own clean-up on TERM takes the office's pipes with it; then the whole
    // group goes, also when the bridge had already ended. The process ends on its own, so that
    // this object's end does not cut the clean-up short.
    process->setParent(nullptr);
    const QString pipe = QStringLiteral("/tmp/OSL_PIPE_%1_%2").arg(::getuid()).arg(m_pipeName);
    if (quitMs <= 0)
        QFile::remove(pipe);
    if (process->state() == QProcess::NotRunning) {
        process->end(bridgeGraceMs, true);
        return;
    }
    m_quitting = process;
    connect(process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), this,
            [this, process, pipe] {
                QFile::remove(pipe);
                if (m_quitting == process)
                    m_quitting = nullptr;
                sendNext();
            });
    // Also when it never ran, and so never finishes.
    connect(process, &QObject::destroyed, this, &ProcessSlideShowBridge::sendNext);
    if (quitMs > 0) {
        connect(process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), process,
                &QObject::deleteLater);
        QTimer::singleShot(quitMs, process, [process] { process->end(bridgeGraceMs, true); });
    } else {
        process->end(bridgeGraceMs, true);
    }
}
