#include "AsOtherUser.h"

#include <cerrno>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

std::optional<QByteArray> runAsOtherUser(const std::function<QByteArray()> &work)
{
    if (geteuid() != 0)
        return work();
    int ends[2];
    if (pipe(ends) != 0)
        return std::nullopt;
    const pid_t child = fork();
    if (child == 0) {
        close(ends[0]);
        // The groups first: once the user is dropped, nothing may be changed any more.
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
            _exit(2);
        const QByteArray output = work();
        _exit(write(ends[1], output.constData(), size_t(output.size())) == output.size() ? 0 : 3);
    }
    close(ends[1]);
    QByteArray output;
    char buffer[4096];
    for (ssize_t got; (got = read(ends[0], buffer, sizeof buffer)) != 0;) {
        if (got > 0)
            output.append(buffer, got);
        else if (errno != EINTR)
            break;
    }
    close(ends[0]);
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return output;
}
