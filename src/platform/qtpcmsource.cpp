#include "platform/qtpcmsource.h"

#include <QAudioDeviceInfo>
#include <QAudioInput>

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
    input = new QAudioInput(chosen, format, this);
    device = input->start();
    return device && input->error() != QAudio::OpenError && input->state() != QAudio::StoppedState;
}

qint64 QtPcmSource::bytesReady()
{
    return input && device ? input->bytesReady() : 0;
}

qint64 QtPcmSource::read(char *data, qint64 maxSize)
{
    return device ? device->read(data, maxSize) : -1;
}

void QtPcmSource::stop()
{
    if (device && device->isOpen())
        device->close();
    device = nullptr;
    if (input)
        input->stop();
}
