#include "MWIN_VER.h"

namespace MWIN_VER
{

int GetWindowsPlatform()
{
    // Neither Windows family: shortcut files are read by the scan for "any other" system.
    return -1;
}

} // namespace MWIN_VER
