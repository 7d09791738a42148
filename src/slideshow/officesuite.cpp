#include "slideshow/officesuite.h"

#include "platform/documentconverter.h"

namespace OfficeSuite {

Choice choose(bool officeFound, bool wpsFound, const std::function<int()> &ask)
{
    if (officeFound && wpsFound) {
        const int answer = ask();
        if (answer == Office || answer == Wps)
            return Choice(answer);
        return Cancelled;
    }
    if (officeFound)
        return Office;
    if (wpsFound)
        return Wps;
    return NoneFound;
}

bool officeFound()
{
    return !DocumentConverter::program().isEmpty();
}

bool wpsFound()
{
    return false;
}

} // namespace OfficeSuite
