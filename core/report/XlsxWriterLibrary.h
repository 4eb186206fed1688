#pragma once

#include "LoadedLibrary.h"

#include <xlsxwriter.h>

// The functions of libxlsxwriter the Excel report uses, from the library opened the first time a
// report is written: a start that writes none does not load it and the libraries it needs.
#define ROWLARK_XLSXWRITER_FUNCTIONS(X)                                                                                \
    X(workbook_new_opt)                                                                                                \
    X(workbook_set_properties)                                                                                         \
    X(workbook_add_format)                                                                                             \
    X(workbook_add_worksheet)                                                                                          \
    X(workbook_close)                                                                                                  \
    X(format_set_font_name)                                                                                            \
    X(format_set_font_color)                                                                                           \
    X(format_set_num_format)                                                                                           \
    X(format_set_bold)                                                                                                 \
    X(format_set_bg_color)                                                                                             \
    X(format_set_bottom)                                                                                               \
    X(worksheet_write_string)                                                                                          \
    X(worksheet_write_rich_string)                                                                                     \
    X(worksheet_write_number)                                                                                          \
    X(worksheet_set_column)                                                                                            \
    X(worksheet_freeze_panes)                                                                                          \
    X(worksheet_autofilter)

struct XlsxWriterLibrary
{
    ROWLARK_XLSXWRITER_FUNCTIONS(ROWLARK_FUNCTION_MEMBER)
};

// libxlsxwriter's functions; nothing when the library cannot be opened.
[[nodiscard]] const XlsxWriterLibrary *xlsxWriterLibrary();
