#pragma once

#include <QtGlobal>

#include <chrono>

// Now on the steady clock, in nanoseconds: the time base of capture stamps (the recording
// clock, sound and picture sources).
inline qint64 steadyNowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
