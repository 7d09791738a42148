#pragma once

#include <QTimer>

#include "platform/slideshowbridge.h"

// A slide bridge without an office, for the tab logic: a show of `count` slides with `steps`
// click steps each that answers every command after `answerMs` (GotoSlide after `gotoMs`),
// loops past its last slide, keeps the steps of a slide it is sent to again, and fails as the
// real one does: the open fails, the office dies (lost) or ends the show itself.
class FakeSlideBridge : public SlideShowBridge
{
public:
    using SlideShowBridge::SlideShowBridge;

    int count = 3;
    int steps = 2;
    int answerMs = 0;
    int gotoMs = 0;
    int closeMs = 0;
    bool failOpen = false;
    int slide = 0;
    int step = 0;
    QList<QPair<Command, int>> sent;
    QList<QSize> sizes;
    int pending = 0;

    void open(const QString &, quintptr, const QSize &size) override
    {
        sizes << size;
        opening = true;
        QTimer::singleShot(answerMs, this, [this] {
            // Closed or lost meanwhile: the real one drops the rest of the open.
            if (!opening)
                return;
            opening = false;
            if (failOpen) {
                emit openFailed(false);
                return;
            }
            live = true;
            slide = 1;
            step = 0;
            emit loaded(count, QSize(720, 540));
            emit opened(count, QStringList{"一", "二", "三"}.mid(0, count));
        });
    }
    void startOffice() override {}
    void send(Command command, int target = 0) override
    {
        if (!live)
            return;
        sent << qMakePair(command, target);
        switch (command) {
            case NextStep:
                if (++step > steps)
                    moveTo(slide % count + 1);
                break;
            case PreviousStep:
                if (--step < 0)
                    moveTo(slide > 1 ? slide - 1 : count);
                break;
            case NextSlide:
                moveTo(slide % count + 1);
                break;
            case PreviousSlide:
                moveTo(slide > 1 ? slide - 1 : count);
                break;
            case GotoSlide:
                if (target != slide)
                    moveTo(target);
                break;
            default:
                break;
        }
        // The answer tells the slide as it is when the answer leaves.
        ++pending;
        QTimer::singleShot(command == GotoSlide ? gotoMs : answerMs, this, [this] {
            --pending;
            if (live)
                emit slideReported(slide, true);
        });
    }
    void resize(const QSize &size) override { sizes << size; }
    // A show (or an open) is answered after closeMs, as the real one answers once the office
    // let go of the window; with none, at once, unless a close on its way answers for it.
    void close() override
    {
        const bool had = live || opening;
        live = false;
        opening = false;
        if (had)
            answerClose();
        else if (closesPending == 0)
            QTimer::singleShot(0, this, [this] { emit closed(); });
    }
    void shutdown() override
    {
        live = false;
        opening = false;
    }
    bool isBusy() const override { return pending > 0 || closesPending > 0; }
    bool isLive() const override { return live; }

    // The office died: the closes it was asked for never answer. An open is begun again (and
    // here succeeds, as a second try mostly does); else nothing of it holds the window any
    // more.
    void die()
    {
        const bool wasLive = live;
        live = false;
        closesPending = 0;
        ++generation;
        if (opening)
            return;
        if (wasLive)
            emit lost();
        emit closed();
    }
    // The office ended the show itself, and is asked to close the document.
    void endShow()
    {
        if (!live)
            return;
        live = false;
        answerClose();
        emit slideReported(0, false);
        emit showEnded();
    }
    // The show moved by itself (a click into it, a timer, a link; 0 a hidden slide).
    void moveBySelf(int to)
    {
        moveTo(to);
        emit slideChanged(to);
    }
    // The commands sent, polls left out.
    QList<int> commands() const
    {
        QList<int> result;
        for (const auto &c : sent) {
            if (c.first != Poll)
                result << c.first;
        }
        return result;
    }

private:
    void moveTo(int to)
    {
        slide = to;
        step = 0;
    }
    void answerClose()
    {
        ++closesPending;
        QTimer::singleShot(closeMs, this, [this, asked = generation] {
            if (asked != generation)
                return;
            --closesPending;
            emit closed();
        });
    }
    bool live = false;
    bool opening = false;
    int closesPending = 0;
    // Counts the office's deaths: a close asked of an office before its death never answers.
    int generation = 0;
};
