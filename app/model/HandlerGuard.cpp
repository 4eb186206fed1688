#include "HandlerGuard.h"

#include "UserInterface.h"

void reportHandlerError(UserInterface &ui, const std::exception &error) noexcept
{
    try {
        ui.showMessage(handlerErrorText(error), handlerErrorTitle(), MessageIcon::Critical);
    } catch (...) {
        // Nothing left to tell the person with; the handler has ended either way.
    }
}
