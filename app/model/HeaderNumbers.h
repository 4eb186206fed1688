#pragma once

class Sheet;

// Header texts: "1行", "2行", ... down column 0 and "1列", "2列", ... along row 0, for every data
// row or column of the sheet. The corner cell is left alone.
void NumberRowHeaders(Sheet &sheet);
void NumberColumnHeaders(Sheet &sheet);
