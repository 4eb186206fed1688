#include "CommandGuard.h"

#include "DumpCommand.h"
#include "ErrorText.h"

void reportCommandError(QIODevice &err, const std::exception &error) noexcept
{
    try {
        writeMessageLines(err, handlerErrorText(error));
    } catch (...) {
        // Nothing left to write the message with; the exit status still tells.
    }
}
