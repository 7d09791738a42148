#pragma once

// What turns a slide show: a step within the slide (the show's animations) or a whole page.
// The values are what the page row, the keys, the slide picture and the board over a show send.
enum class SlideCommand {
    Stay = 0, // show the current slide again
    PreviousStep = 1,
    NextStep = 2,
    PreviousPage = 3,
    NextPage = 4,
    NextPageInPictureMode = 5, // a next page that only picture mode turns
};
