#include "pdf/pagerenderahead.h"

#include <atomic>
#include <chrono>

struct PageRenderAhead::Job
{
    std::promise<QImage> result;
    std::atomic<bool> dropped{false};
};

PageRenderAhead::PageRenderAhead(std::function<void(int key)> ready)
    : onReady(std::move(ready))
{
    pool.setMaxThreadCount(1);
}

PageRenderAhead::~PageRenderAhead()
{
    clear();
}

void PageRenderAhead::request(int key, const QPdfiumPage &page, const QSize &size)
{
    if (contains(key) || !page.isValid() || size.isEmpty())
        return;
    auto job = std::make_shared<Job>();
    Entry entry;
    entry.key = key;
    entry.size = size;
    entry.job = job;
    entry.image = job->result.get_future().share();
    QObject *to = &receiver;
    std::function<void(int)> *ready = onReady ? &onReady : nullptr;
    pool.start([job, page, size, key, to, ready] {
        if (job->dropped) {
            job->result.set_value(QImage());
            return;
        }
        job->result.set_value(page.image(size));
        // The store waits for this thread before the receiver goes, and a call still queued
        // goes with it.
        if (ready && !job->dropped)
            QMetaObject::invokeMethod(
                to, [ready, key] { (*ready)(key); }, Qt::QueuedConnection);
    });
    entries.append(entry);
    for (int i = 0; i < entries.size() && entries.size() > capacity;) {
        if (kept.contains(entries.at(i).key))
            ++i;
        else
            drop(i);
    }
}

QImage PageRenderAhead::takeReady(int key, const QSize &size)
{
    for (int i = 0; i < entries.size(); ++i) {
        const Entry &entry = entries.at(i);
        if (entry.key != key)
            continue;
        if (entry.size != size) {
            drop(i);
            return QImage();
        }
        if (entry.image.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
            return QImage();
        const QImage image = entry.image.get();
        entries.removeAt(i);
        return image;
    }
    return QImage();
}

bool PageRenderAhead::contains(int key) const
{
    for (const Entry &entry : entries) {
        if (entry.key == key)
            return true;
    }
    return false;
}

bool PageRenderAhead::isReady(int key) const
{
    for (const Entry &entry : entries) {
        if (entry.key == key)
            return entry.image.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    }
    return false;
}

void PageRenderAhead::keepOnly(const QVector<int> &keys)
{
    kept = keys;
    for (int i = entries.size() - 1; i >= 0; --i) {
        if (!keys.contains(entries.at(i).key))
            drop(i);
    }
}

void PageRenderAhead::drop(int i)
{
    entries.at(i).job->dropped = true;
    entries.removeAt(i);
}

void PageRenderAhead::clear()
{
    for (const Entry &entry : qAsConst(entries))
        entry.job->dropped = true;
    entries.clear();
    kept.clear();
    pool.waitForDone();
}
