#include "platform/qtpcmsource.h"

#include <QAudioDeviceInfo>
#include <QAudioInput>

#include "platform/steadyclock.h"

namespace {
// Never more than this is held between reads, should the reader fall behind.
constexpr qint64 maxHeldSeconds = 10;
} // namespace

QtPcmSource::~QtPcmSource()
{
    stop();
}

bool QtPcmSource::hasDefaultInput()
{
    return !QAudioDeviceInfo::defaultInputDevice().isNull();
}

bool QtPcmSource::start(int sampleRate, int channels)
{
    QAudioFormat format;
    format.setSampleRate(sampleRate);
    format.setChannelCount(channels);
    format.setSampleSize(16);
    format.setSampleType(QAudioFormat::SignedInt);
    format.setByteOrder(QAudioFormat::LittleEndian);
    format.setCodec(QStringLiteral("audio/pcm"));

    QAudioDeviceInfo chosen = QAudioDeviceInfo::defaultInputDevice();
    if (chosen.isNull())
        return false;
    if (!chosen.isFormatSupported(format)) {
        chosen = QAudioDeviceInfo();
        const auto devices = QAudioDeviceInfo::availableDevices(QAudio::AudioInput);
        for (const QAudioDeviceInfo &info : devices) {
            if (!info.isNull() && info.isFormatSupported(format)) {
                chosen = info;
                break;
            }
        }
        if (chosen.isNull())
            return false;
    }
    bytesPerSecond = qint64(sampleRate) * channels * 2;
    frameBytes = channels * 2;
    arrived.clear();
    input = new QAudioInput(chosen, format, this);
    device = input->start();
    return device && input->error() != QAudio::OpenError && input->state() != QAudio::StoppedState;
}

qint64 QtPcmSource::read(char *data, qint64 maxSize, qint64 *capturedNs)
{
    // A sound server that went away takes the device and stops the input: nothing arrives any
    // more, which the reader fills with silence.
    if (!device || input->state() == QAudio::StoppedState) {
        device = nullptr;
        arrived.clear();
        return 0;
    }
    // Qt tells no capture time, only what has arrived. Taking all of it, its last frame entered
    // the device about now, so its first one the length of all of it before: that holds for a
    // first block that comes late and for a burst after a stall alike.
    char chunk[16384];
    qint64 got = 0;
    bool more = false;
    while (arrived.size() < maxHeldSeconds * bytesPerSecond &&
           (got = device->read(chunk, sizeof chunk)) > 0) {
        arrived.append(chunk, int(got));
        more = true;
    }
    if (got < 0 && arrived.isEmpty())
        return -1;
    if (more)
        arrivedNs = steadyNowNs() - arrived.size() * 1000000000LL / bytesPerSecond;
    const qint64 n = qMin<qint64>(maxSize, arrived.size()) / frameBytes * frameBytes;
    if (n <= 0)
        return 0;
    memcpy(data, arrived.constData(), size_t(n));
    arrived.remove(0, int(n));
    *capturedNs = arrivedNs;
    arrivedNs += n * 1000000000LL / bytesPerSecond;
    return n;
}

void QtPcmSource::stop()
{
    if (device && device->isOpen())
        device->close();
    device = nullptr;
    arrived.clear();
    if (input)
        input->stop();
}
