// rowlark-diff: the command-line companion of Rowlark. Reads sheet files and compares them
// exactly as the window does, for scripts and for checking what the window will show.

#include "CliArguments.h"
#include "CommandGuard.h"
#include "DiffCommand.h"
#include "DumpCommand.h"
#include "NativePath.h"
#include "SafeFileWriter.h"
#include "SideThread.h"

#include <QCoreApplication>
#include <QFile>

#include <unistd.h>

int main(int argc, char *argv[])
{
    // Output past the file-size limit is a failed write, not the end of the process.
    SafeFileWriter::ignoreFileSizeSignal();
    // The second core's thread settles on a core of its own while the program starts.
    SideJob::prepare();
    QCoreApplication app(argc, argv);
    // Unbuffered on the descriptors themselves: what a write returns is what reached the file, and
    // no buffer is left to fail unseen when the program ends.
    QFile out;
    QFile err;
    if (!out.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered)
        || !err.open(STDERR_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered))
        return kExitTrouble;

    // The file names as the system gave them: bytes that are no UTF-8 still name a file.
    QStringList arguments = argumentsFromArgv(argc, argv);
    arguments.removeFirst();
    return runGuarded(err, [&] {
        const ParsedArguments parsed = parseArguments(arguments);
        if (!parsed.arguments) {
            err.write((parsed.error + u'\n' + usageText()).toUtf8());
            return kExitTrouble;
        }
        switch (parsed.arguments->command) {
        case CliArguments::Command::Help:
            if (!writeOutput(out, usageText().toUtf8())) {
                writeMessageLines(err, outputFailedText());
                return kExitTrouble;
            }
            return kExitOk;
        case CliArguments::Command::Dump:
            return runDump(*parsed.arguments, out, err);
        case CliArguments::Command::Diff:
            return runDiff(*parsed.arguments, out, err);
        }
        return kExitTrouble;
    });
}
