#pragma once

class CanvasFCCurve;
class CanvasFCLine;
class CanvasLine;
class CanvasMarquee;
class CanvasTextBox;

// The five items of a board, in the order in which commands reach them. Both boards keep one
// set each; the rules that go through all five live here once.
struct BoardItems
{
    CanvasMarquee *marquee = nullptr;
    CanvasLine *line = nullptr;
    CanvasTextBox *textBox = nullptr;
    CanvasFCLine *connectedLine = nullptr;
    CanvasFCCurve *freeCurve = nullptr;

    // Moves the first shown item by a pixel (1 up, 2 down, 3 left, 4 right); an unfinished
    // connected line or free curve swallows the key. False when every item is hidden.
    bool nudge(int direction) const;
    // Hides and empties all five without committing anything.
    void reset() const;
};
