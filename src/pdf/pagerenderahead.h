#pragma once

#include <QImage>
#include <QList>
#include <QSize>
#include <QThreadPool>
#include <future>
#include <memory>

#include "platform/qpdfiumpage.h"

// Pages rendered ahead of need on a thread of their own, so that a page scrolling into view
// finds its picture ready and the window does not wait for the renderer. It keeps at most a few
// pages; the board still decides which pages it holds.
class PageRenderAhead
{
public:
    PageRenderAhead();
    // Waits for the page being rendered, so that no render outlives its board.
    ~PageRenderAhead();
    PageRenderAhead(const PageRenderAhead &) = delete;
    PageRenderAhead &operator=(const PageRenderAhead &) = delete;

    // Starts rendering page (known by key) at size unless it is already there or on its way;
    // the oldest page goes when more than capacity are kept.
    void request(int key, const QPdfiumPage &page, const QSize &size);
    // The page rendered ahead, waiting for it when it is still being rendered; null when it was
    // not asked for. The page leaves the store.
    QImage take(int key, const QSize &size);
    bool contains(int key) const;
    // Forgets every page; waits for the one being rendered.
    void clear();
    int count() const { return entries.size(); }

    static constexpr int capacity = 2;

private:
    struct Job;
    struct Entry
    {
        int key = -1;
        QSize size;
        std::shared_ptr<Job> job;
        std::shared_future<QImage> image;
    };
    QList<Entry> entries;
    QThreadPool pool;
};
