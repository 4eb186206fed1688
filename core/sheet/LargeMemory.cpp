#include "LargeMemory.h"

#include <cstdint>

#include <sys/mman.h>

namespace LargeMemory
{
namespace
{
constexpr std::uintptr_t kHugePage = std::uintptr_t(2) << 20;
// Below this a buffer holds at most one whole huge page; the advice would only cost a system call.
constexpr qsizetype kWorthAdvising = qsizetype(4) << 20;
} // namespace

void adviseHugePages(const void *begin, qsizetype bytes)
{
#ifdef MADV_HUGEPAGE
    if (begin == nullptr || bytes < kWorthAdvising)
        return;
    const std::uintptr_t start = (std::uintptr_t(begin) + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t end = (std::uintptr_t(begin) + std::uintptr_t(bytes)) & ~(kHugePage - 1);
    if (end > start)
        ::madvise(reinterpret_cast<void *>(start), end - start, MADV_HUGEPAGE); // a refusal changes nothing
#else
    Q_UNUSED(begin);
    Q_UNUSED(bytes);
#endif
}

} // namespace LargeMemory
