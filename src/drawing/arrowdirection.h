#pragma once

// The arrow keys as the boards pass them on (nudging a selection, or, when nothing is
// selected, to whoever turns the pages). Page Up and Page Down count as Up and Down.
enum class ArrowDirection {
    Up = 1,
    Down = 2,
    Left = 3,
    Right = 4,
};
