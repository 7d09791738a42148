#include "recording/videorecorder.h"

VideoRecorder::VideoRecorder(QObject *parent)
    : QObject(parent)
{}
