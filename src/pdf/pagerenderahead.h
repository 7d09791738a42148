#pragma once

#include <QImage>
#include <QList>
#include <QObject>
#include <QSize>
#include <QThreadPool>
#include <QVector>
#include <functional>
#include <future>
#include <memory>

#include "platform/qpdfiumpage.h"

// Pages rendered on a thread of their own, so that the window never waits for the renderer: a
// page in view that is not rendered yet shows its paper until it is, and the page that comes next
// is rendered ahead of need. Renders run one at a time in the order asked; a page dropped before
// its turn is not rendered. The board still decides which pages it holds.
class PageRenderAhead
{
public:
    // ready is called on the store's own thread with the key of each page whose render finished.
    explicit PageRenderAhead(std::function<void(int key)> ready = {});
    // Waits for the page being rendered, so that no render outlives its board.
    ~PageRenderAhead();
    PageRenderAhead(const PageRenderAhead &) = delete;
    PageRenderAhead &operator=(const PageRenderAhead &) = delete;

    // Starts rendering page (known by key) at size unless it is already there or on its way;
    // the oldest page goes when more than capacity are kept, but never one of the pages last
    // given to keepOnly: those are in view, and a render thrown away is not asked for again.
    void request(int key, const QPdfiumPage &page, const QSize &size);
    // The finished page; null when it was not asked for at this size or is still being
    // rendered. Never waits. A page given out, or asked for at another size, leaves the store.
    QImage takeReady(int key, const QSize &size);
    bool contains(int key) const;
    bool isReady(int key) const;
    // Forgets every page whose key is not in keys; those in keys stay until the next call.
    void keepOnly(const QVector<int> &keys);
    // Forgets every page; waits for the one being rendered.
    void clear();
    int count() const { return entries.size(); }

    static constexpr int capacity = 8;

private:
    struct Job;
    struct Entry
    {
        int key = -1;
        QSize size;
        std::shared_ptr<Job> job;
        std::shared_future<QImage> image;
    };
    void drop(int i);

    QList<Entry> entries;
    QVector<int> kept;
    std::function<void(int key)> onReady;
    // Receives the finished renders on the store's thread; goes with the store.
    QObject receiver;
    QThreadPool pool;
};
