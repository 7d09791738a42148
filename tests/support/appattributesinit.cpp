// Linked into every test and bench: the program's set-up before its QApplication, done before
// main() (QTEST_MAIN makes the QApplication at its start, too early for anything inside the test).
#include "base/appattributes.h"

namespace {
const bool prepared = (prepareApplication(), true);
}
