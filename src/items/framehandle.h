#pragma once

// Where a point lies on a rotatable frame. The handles run round the frame from its first corner
// and are named as on an unturned frame; a picture document's page edges use the same codes.
namespace FrameHandle {
enum : int {
    Outside = -1,
    Inside = 0,
    TopLeft = 1,
    Top = 2,
    TopRight = 3,
    Right = 4,
    BottomRight = 5,
    Bottom = 6,
    BottomLeft = 7,
    Left = 8,
    Rotate = 9,
};
} // namespace FrameHandle
