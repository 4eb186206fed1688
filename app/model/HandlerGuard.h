#pragma once

#include "ErrorText.h"
#include "GridError.h"

#include <QString>

#include <exception>
#include <new>

class UserInterface;

// How an event handler meets an error that nothing inside it handled.
//
// Handlers run inside Qt's event and signal delivery, and a sheet raises its events in the middle
// of its own changes (leave cell before the current cell moves), so no exception may leave a
// handler: it would unwind through Qt and leave the sheet half changed. Every handler of the main
// window, those connected to sheet signals included, runs through runHandler() with its style.
enum class ErrorStyle {
    // The handler ends quietly, as handlers do that end silently on any grid error.
    EndSilently,
    // The handler ends and the person is told in a message box, instead of the program ending.
    Report,
};

// Shows handlerErrorText() in a message box; never throws.
void reportHandlerError(UserInterface &ui, const std::exception &error) noexcept;

// Runs `handler`; whatever it throws ends it in the given style and never propagates.
template<typename Handler>
void runHandler(ErrorStyle style, UserInterface &ui, Handler &&handler) noexcept
{
    try {
        handler();
    } catch (const std::exception &error) {
        if (style == ErrorStyle::Report)
            reportHandlerError(ui, error);
    } catch (...) {
        if (style == ErrorStyle::Report)
            reportHandlerError(ui, std::exception());
    }
}
