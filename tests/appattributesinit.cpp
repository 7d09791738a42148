// Linked into every test and bench: the program's application attributes, set before main()
// (QTEST_MAIN makes the QApplication at its start, too early for anything inside the test).
#include "base/appattributes.h"

namespace {
const bool attributesSet = (setApplicationAttributes(), true);
}
