#pragma once

#include <functional>

// The office suites that documents can be handed to. On Linux the "Office" suite is
// LibreOffice's converter; WPS has no headless converter here and is never found.
namespace OfficeSuite {

enum Choice { Cancelled = -1, NoneFound = 0, Office = 1, Wps = 2 };

// The suite a document goes to: the one found, or the one the user picks (ask() runs the
// choice dialog, 0 meaning closed) when both are found. NoneFound tries the Office suite's
// default program, which then reports that it cannot start.
Choice choose(bool officeFound, bool wpsFound, const std::function<int()> &ask);

bool officeFound();
bool wpsFound();

} // namespace OfficeSuite
