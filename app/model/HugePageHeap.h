#pragma once

// Loading a large file fills a few hundred megabytes of fresh memory, and on a machine whose
// transparent huge pages are given only to memory that asks for them, the kernel then hands out
// and clears that memory 4 KiB at a time: the page faults cost more than reading the file, most
// of all on the first load after the start, before the allocator has memory of its own to use
// again. glibc's allocator asks for huge pages for its heap when the GLIBC_TUNABLES variable says
// glibc.malloc.hugetlb=1, which it reads only as a program starts.
//
// Called first thing in main(): when the kernel gives huge pages on request and the variable does
// not name that setting yet, starts the program again in place (the same executable and
// arguments) with it set, and returns only where it did not. In the program so started, the
// variable is put back as it was, so that programs it starts do not inherit the setting.
void restartWithHugePageHeap(char **argv);
