#pragma once

#include <QPixmap>
#include <QString>

// What a recording is started with (VideoRecorder::start).
struct RecordingOptions
{
    int areaX = 0;
    int areaY = 0;
    int areaWidth = 1920;
    int areaHeight = 1080;
    int outputWidth = 1920;
    int outputHeight = 1080;
    int audioMode = 0; // 0 microphone, 1 system sound, 2 both (all the microphone), 3 none
    int videoQuality = 0;
    int watermarkCorner = 0; // 0 none, 1 top-left, 2 top-right, 3 bottom-right, 4 bottom-left
    QPixmap startSnapshot;
    // The file to write. An existing file is never overwritten: start() then picks the first
    // free name with "_1", "_2" ... before the suffix, and the recorder's options() tell it.
    QString outputFileName;
};
