#pragma once

// What a tab holds. The values are the ones the tab kept as a bare number before.
enum class DocumentKind {
    None = 0,
    SlideShow = 1,
    Pdf = 2,
    Picture = 3,
    Board = 4, // a new whiteboard
};
