#pragma once

#include <QtGlobal>

#include <algorithm>

// Large buffers (a file's text, a sheet's cells) are first written right after they are
// allocated. On a virtual machine every 4 KiB page touched for the first time costs a trip through
// the hypervisor, and a 50 MB file touches some 40,000 of them: asking for 2 MiB pages takes that
// from a third of a load to almost nothing. Small buffers are left alone.
namespace LargeMemory
{

// Asks the system to back the whole 2 MiB pages inside [begin, begin + bytes) with huge pages when
// they are first touched. Only a request: where the system has none, nothing changes.
void adviseHugePages(const void *begin, qsizetype bytes);

// Makes room for `count` elements in a QList or QString that is about to be filled, growing by at
// least half its capacity so that repeated small growth stays amortised, and advises the new
// storage before anything touches it.
template<typename Container>
void reserve(Container &container, qsizetype count)
{
    if (count <= container.capacity())
        return;
    container.reserve(std::max(count, container.capacity() + container.capacity() / 2));
    adviseHugePages(container.constData(), container.capacity() * qsizetype(sizeof(*container.constData())));
}

} // namespace LargeMemory
