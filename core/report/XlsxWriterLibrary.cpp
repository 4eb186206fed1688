#include "XlsxWriterLibrary.h"

namespace
{
bool findXlsxWriter(const LoadedLibrary &library, XlsxWriterLibrary &functions)
{
    bool found = true;
    ROWLARK_XLSXWRITER_FUNCTIONS(ROWLARK_FIND_FUNCTION)
    return found;
}
} // namespace

const XlsxWriterLibrary *xlsxWriterLibrary()
{
    return loadedFunctions<XlsxWriterLibrary>(ROWLARK_LIBXLSXWRITER, findXlsxWriter);
}
