#pragma once

#include <QString>
#include <memory>

class FrameSource;
class PcmSource;
class QRect;

// How long the disk may take to answer one step of a recording (the folder's checks, the file's
// opening, its finish) before the step counts as failed.
constexpr int diskAnswerLimitMs = 5000;

// What a recording takes from the machine: screen, microphone and disk. Tests put in their own.
class RecordingBackend
{
public:
    virtual ~RecordingBackend() = default;
    virtual bool hasDefaultAudioInput() = 0;
    virtual std::unique_ptr<FrameSource> createFrameSource() = 0;
    virtual PcmSource *createPcmSource() = 0;
    // Whether the folder exists and takes files.
    virtual bool folderWritable(const QString &folder);
    // Creates the file at path when it does not exist yet, else the first free "name_N.suffix"
    // beside it, so that a second recording in the same second cannot take it too; returns the
    // name taken, and whether it was created.
    virtual QString reserveFile(const QString &path, bool *created);
    // Bytes free for the folder's files; negative when the folder is gone or unreadable.
    virtual qint64 freeBytes(const QString &folder) = 0;
    // Sends what was written to the open file to the disk itself; it may take a while. False
    // when the disk did not take it (a failed write-back, a stick pulled).
    virtual bool syncToDisk(int fd);
};

// The X screen, the Qt Multimedia microphone and the real file system.
class SystemRecordingBackend : public RecordingBackend
{
public:
    bool hasDefaultAudioInput() override;
    std::unique_ptr<FrameSource> createFrameSource() override;
    PcmSource *createPcmSource() override;
    qint64 freeBytes(const QString &folder) override;
};
