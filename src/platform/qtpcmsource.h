#pragma once

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
    qint64 bytesReady() override;
    qint64 read(char *data, qint64 maxSize) override;
    void stop() override;

private:
    QAudioInput *input = nullptr;
    QIODevice *device = nullptr;
};
