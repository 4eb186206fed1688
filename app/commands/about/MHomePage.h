#pragma once

#include <QString>

class UserInterface;

namespace MHomePage
{
// Opens the address in the person's web browser. A failure is swallowed: the version dialog that
// asked stays as it is.
void OpenHomePage(UserInterface &ui, const QString &address);
} // namespace MHomePage
