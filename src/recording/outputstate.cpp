#include "recording/outputstate.h"

#include <unistd.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

OutputState::~OutputState()
{
    if (syncFd >= 0)
        ::close(syncFd);
    if (output) {
        avio_closep(&output->pb);
        avformat_free_context(output);
    }
    avcodec_free_context(&videoCodec);
    avcodec_free_context(&audioCodec);
}
