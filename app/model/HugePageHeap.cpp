#include "HugePageHeap.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

namespace
{
constexpr const char *kTunables = "GLIBC_TUNABLES";
constexpr const char *kSetting = "glibc.malloc.hugetlb=";
// In the program started again: GLIBC_TUNABLES as it was before, after a '=' (or "-" for unset).
constexpr const char *kBefore = "ROWLARK_TUNABLES_BEFORE";

// Whether the kernel gives transparent huge pages to memory that asks for them, and only to it
// (with "always" every heap has them already; with "never" asking is no use).
bool hugePagesOnRequest()
{
    std::FILE *file = std::fopen("/sys/kernel/mm/transparent_hugepage/enabled", "r");
    if (!file)
        return false;
    char line[128] = {};
    const bool read = std::fgets(line, sizeof line, file) != nullptr;
    std::fclose(file);
    return read && std::strstr(line, "[madvise]") != nullptr;
}
} // namespace

void restartWithHugePageHeap(char **argv)
{
    if (const char *before = std::getenv(kBefore)) {
        if (before[0] == '=')
            setenv(kTunables, before + 1, 1);
        else
            unsetenv(kTunables);
        unsetenv(kBefore);
        return;
    }
    const char *current = std::getenv(kTunables);
    if ((current && std::strstr(current, kSetting)) || !hugePagesOnRequest())
        return;
    const std::string before = current ? std::string("=") + current : std::string("-");
    std::string tunables = current && *current ? std::string(current) + ':' : std::string();
    tunables += kSetting;
    tunables += '1';
    if (setenv(kBefore, before.c_str(), 1) != 0 || setenv(kTunables, tunables.c_str(), 1) != 0)
        return;
    execv("/proc/self/exe", argv);
    // Not started again: the program goes on as it is, with the environment it had.
    if (current)
        setenv(kTunables, current, 1);
    else
        unsetenv(kTunables);
    unsetenv(kBefore);
}
