#pragma once

#include "CliArguments.h"
#include "GridError.h"

#include <QIODevice>

#include <exception>

// Writes the message for an error that ended a command; never throws.
void reportCommandError(QIODevice &err, const std::exception &error) noexcept;

// Runs one command of rowlark-diff and returns its exit status. Whatever the command throws, of
// any type, becomes a message on err and kExitTrouble: nothing ends the program unannounced.
template<typename Command>
int runGuarded(QIODevice &err, Command &&command) noexcept
{
    try {
        return command();
    } catch (const std::exception &error) {
        reportCommandError(err, error);
    } catch (...) {
        reportCommandError(err, std::exception());
    }
    return kExitTrouble;
}
