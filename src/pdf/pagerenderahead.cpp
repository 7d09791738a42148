#include "pdf/pagerenderahead.h"

#include <atomic>
#include <memory>

struct PageRenderAhead::Job
{
    std::promise<QImage> result;
    std::atomic<bool> dropped{false};
};

PageRenderAhead::PageRenderAhead()
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
    // A page dropped before its turn is not rendered: fast scrolling would queue up work for
    // pages long gone.
    pool.start(
        [job, page, size] { job->result.set_value(job->dropped ? QImage() : page.image(size)); });
    entries.append(entry);
    while (entries.size() > capacity)
        entries.takeFirst().job->dropped = true;
}

QImage PageRenderAhead::take(int key, const QSize &size)
{
    for (int i = 0; i < entries.size(); ++i) {
        if (entries.at(i).key != key)
            continue;
        const Entry entry = entries.takeAt(i);
        if (entry.size != size)
            return QImage();
        return entry.image.get();
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

void PageRenderAhead::clear()
{
    for (const Entry &entry : qAsConst(entries))
        entry.job->dropped = true;
    entries.clear();
    pool.waitForDone();
}
