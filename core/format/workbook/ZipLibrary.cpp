#include "ZipLibrary.h"

const ZipLibrary *zipLibrary()
{
    return loadedFunctions<ZipLibrary>(ROWLARK_LIBZIP, ROWLARK_FIND_FUNCTIONS(ROWLARK_ZIP_FUNCTIONS));
}
