#pragma once

#include "LoadedLibrary.h"

#include <zip.h>

// The functions of libzip the workbook reader uses, from the library opened the first time a
// workbook is read: a start that reads no workbook does not load it and the libraries it needs.
#define ROWLARK_ZIP_FUNCTIONS(X)                                                                                       \
    X(zip_open)                                                                                                        \
    X(zip_discard)                                                                                                     \
    X(zip_name_locate)                                                                                                 \
    X(zip_stat_init)                                                                                                   \
    X(zip_stat_index)                                                                                                  \
    X(zip_fopen_index)                                                                                                 \
    X(zip_fread)                                                                                                       \
    X(zip_fclose)

struct ZipLibrary
{
    ROWLARK_ZIP_FUNCTIONS(ROWLARK_FUNCTION_MEMBER)
};

// libzip's functions; nothing when the library cannot be opened.
[[nodiscard]] const ZipLibrary *zipLibrary();
