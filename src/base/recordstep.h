#pragma once

// The record button's states, in the order its clicks go through them (Pause and Resume
// then alternate); each click asks the window for the step it lands on.
enum class RecordStep {
    Idle = 0,
    Start = 1,
    Pause = 2,
    Resume = 3,
};
