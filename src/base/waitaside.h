#pragma once

#include <QEventLoop>
#include <QMutex>
#include <QThread>
#include <QTimer>
#include <memory>
#include <optional>

// Runs work on a thread of its own while the calling thread's events go on (the window paints
// and takes clicks), and returns its result, or nothing when it has not come within limitMs.
// Work that does not return by then (a network folder that stopped answering) is left to
// itself; should it return later after all, late gets its result on that thread, to undo what
// nobody will use.
template <typename Result, typename Work, typename Late>
std::optional<Result> waitAside(int limitMs, Work work, Late late)
{
    struct Answer
    {
        QMutex mutex;
        std::optional<Result> result;
        bool givenUp = false;
    };
    auto answer = std::make_shared<Answer>();
    QThread *thread =
        QThread::create([answer, work = std::move(work), late = std::move(late)]() mutable {
            Result result = work();
            const QMutexLocker lock(&answer->mutex);
            if (answer->givenUp)
                late(result);
            else
                answer->result = std::move(result);
        });
    QEventLoop loop;
    QObject::connect(thread, &QThread::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
    thread->start();
    loop.exec();
    QMutexLocker lock(&answer->mutex);
    if (!answer->result) {
        // The work has not taken the lock yet, so its thread cannot have finished.
        answer->givenUp = true;
        QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
        return std::nullopt;
    }
    lock.unlock();
    thread->wait();
    delete thread;
    return answer->result;
}

template <typename Result, typename Work>
std::optional<Result> waitAside(int limitMs, Work work)
{
    return waitAside<Result>(limitMs, std::move(work), [](const Result &) {});
}
