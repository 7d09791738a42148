#pragma once

// A side of the view, as the turned page's edges are told where they are shown.
namespace ViewSide {
enum : int {
    Top = 0,
    Right = 1,
    Bottom = 2,
    Left = 3,
};
} // namespace ViewSide
