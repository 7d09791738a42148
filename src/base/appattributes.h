#pragma once

// The application attributes the program runs with, set before its QApplication is made; the
// tests and benches set the same, so they check the widget set-up the program ships.
void setApplicationAttributes();
