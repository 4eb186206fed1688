#pragma once

namespace MWIN_VER
{

// 1 for the Windows 95/98 family, 2 for the NT family, -1 for any other system (this one).
[[nodiscard]] int GetWindowsPlatform();

} // namespace MWIN_VER
