#include "MHomePage.h"

#include "UserInterface.h"

namespace MHomePage
{
void OpenHomePage(UserInterface &ui, const QString &address)
{
    static_cast<void>(ui.openUrl(address));
}
} // namespace MHomePage
