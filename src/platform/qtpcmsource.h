#pragma once

#include <QByteArray>
#include <QPointer>

#include "platform/pcmsource.h"

class QAudioInput;
class QIODevice;

// The default microphone (or the first input taking the format) through Qt Multimedia.
class QtPcmSource : public PcmSource
{
public:
    using PcmSource::PcmSource;
    ~QtPcmSource() override;

    static bool hasDefaultInput();

    bool start(int sampleRate, int channels) override;
    qint64 read(char *data, qint64 maxSize, qint64 *capturedNs) override;
    void stop() override;

private:
    QAudioInput *input = nullptr;
    // Qt's input deletes the device it handed out when the sound server goes away.
    QPointer<QIODevice> device;
    qint64 bytesPerSecond = 0;
    int frameBytes = 0;
    // What has arrived and was not handed out yet, and when its first frame was captured.
    QByteArray arrived;
    qint64 arrivedNs = 0;
};
