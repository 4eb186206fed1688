#pragma once

#include <QString>

#include <exception>

// The message for an error that ended a handler or a command: the window shows it in a message
// box, the command-line companion writes it to its error output.
[[nodiscard]] QString handlerErrorText(const std::exception &error);
[[nodiscard]] QString handlerErrorTitle();
