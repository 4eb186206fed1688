#include "XlsxWriterLibrary.h"

const XlsxWriterLibrary *xlsxWriterLibrary()
{
    return loadedFunctions<XlsxWriterLibrary>(ROWLARK_LIBXLSXWRITER,
                                              ROWLARK_FIND_FUNCTIONS(ROWLARK_XLSXWRITER_FUNCTIONS));
}
