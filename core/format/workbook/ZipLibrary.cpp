#include "ZipLibrary.h"

namespace
{
bool findZip(const LoadedLibrary &library, ZipLibrary &functions)
{
    bool found = true;
    ROWLARK_ZIP_FUNCTIONS(ROWLARK_FIND_FUNCTION)
    return found;
}
} // namespace

const ZipLibrary *zipLibrary()
{
    return loadedFunctions<ZipLibrary>(ROWLARK_LIBZIP, findZip);
}
