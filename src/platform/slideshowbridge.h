#pragma once

#include <QObject>
#include <QSize>
#include <QStringList>

// The live slide show of an office suite, run for us out of the GUI thread: every call returns
// at once and its outcome comes back as a signal. A show that stops answering in time, or
// whose office ends, is lost.
class SlideShowBridge : public QObject
{
    Q_OBJECT
public:
    enum Command { First, PreviousStep, NextStep, PreviousSlide, NextSlide, Last, GotoSlide, Poll };

    using QObject::QObject;

    // Loads file into the native window (of size) and runs its show in there; starts the
    // office first when it does not run yet (the slow step).
    virtual void open(const QString &file, quintptr window, const QSize &size) = 0;
    // Starts the office ahead of open(), when it does not run yet.
    virtual void startOffice() = 0;
    // slide (1-based) is for GotoSlide only. Answered by slideReported.
    virtual void send(Command command, int slide = 0) = 0;
    virtual void resize(const QSize &size) = 0;
    // Ends the show and closes the document, then the office, which no show needs any more
    // (the next open starts it again); with no show, ends an office started ahead.
    virtual void close() = 0;
    // Ends the office and everything it started, at once.
    virtual void shutdown() = 0;
    // A command still waits for its answer.
    virtual bool isBusy() const = 0;
    // A show runs (opened and not lost or closed).
    virtual bool isLive() const = 0;

signals:
    void officeStarting();
    // The file is loaded and its show about to start: its count of shown slides and the size
    // of its first slide in points (1/72 inch, as the pages of its PDF copy), empty when the
    // office does not tell it.
    void loaded(int slideCount, const QSize &slideSize);
    void opened(int slideCount, const QStringList &notes);
    // refused: the office read the file and would not open it as a presentation (not a deck,
    // damaged, locked); otherwise the show could not be brought up.
    void openFailed(bool refused);
    // The slide the show is on after a command (1-based), or (0, false) once the show has
    // ended. Not sent while the show is on no slide of ours (a hidden one reached by a link):
    // the page stays.
    void slideReported(int slide, bool running);
    // The show moved by itself (timed slides, a link, a click in the show, a jump that landed
    // late); never sent while a command of ours waits for its answer.
    void slideChanged(int slide);
    // The office ended the show itself (after slideReported(0, false)): no crash, not a loss;
    // its document is closed, then the office ends.
    void showEnded();
    // The show's document and frame are gone from its window, after close(); the window may go.
    void closed();
    void lost();
};
