#pragma once

#include <QImage>
#include <QPixmap>
#include <memory>

#include "recording/streamwriter.h"

class EncodeQueue;
class FrameSource;

// The video half of one recording: paced screen pictures, watermark, BGRA to YUV 4:2:0, H.264.
// Lives in the recorder's video thread from startWriter on.
class VideoWriter : public StreamWriter
{
    Q_OBJECT
public:
    explicit VideoWriter(std::shared_ptr<RecordingClock> clock, QObject *parent = nullptr);
    ~VideoWriter() override;

    // Where the logo goes in the area picture; corner 0 (or any unknown corner) draws none.
    static bool logoPosition(int corner, const QSize &area, const QSize &logo, int margin,
                             QPoint *position);

    // Copied from the recorder before init().
    QRect area{0, 0, 1920, 1080};
    QSize outputSize{1920, 1080};
    int frameRate = 20;
    int videoQuality = 0;
    int watermarkCorner = 0;

    // Test capture and logo placement, in the GUI thread.
    void init(std::unique_ptr<FrameSource> source);
public slots:
    void startWriter(QPixmap snapshot);
    void resetWinAPos(int, int) {}
    void resetWinActivate(int) {}

private:
    enum LoopEnd { Going, Stopped, TooManyLost, OutputLost };

    LoopEnd runLoop();
    LoopEnd takeFrame(qint64 *nextStamp, qint64 interval);
    bool initQueue();
    // Queues a copy of the picture for the encoder's thread.
    void queueImage(const QImage &image, qint64 index);
    void releaseCapture();

    std::unique_ptr<FrameSource> frameSource;
    bool captureReady = true;
    std::unique_ptr<EncodeQueue> queue;
    QImage lastFrame;
    QImage logo; // an image: it is painted in the writer thread
    QPoint logoAt;
};
