#pragma once

#include "CellPosition.h"
#include "SheetData.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <optional>
#include <span>
#include <utility>
#include <vector>

struct CompareResult;

// A difference report: what one comparison found, in a form the report writers (HTML, Excel,
// CSV) turn into a file. One model for every format and for both the window and rowlark-diff, so
// that the formats never disagree about what differed.

// Why a position is listed.
enum class ReportKind : quint8 {
    Differs, // both sheets have the cell and its texts differ: 相違
    OnlyInFile1, // only sheet 1 has the cell: ファイル１のみ
    OnlyInFile2, // only sheet 2 has the cell: ファイル２のみ
    Equivalent, // the texts differ but the comparison options make them equal: 表記ゆれ
};

// The caption of a kind, as every format writes it.
[[nodiscard]] QString reportKindText(ReportKind kind);

// One listed cell.
struct ReportEntry
{
    CellPosition position;
    ReportKind kind = ReportKind::Differs;

    friend bool operator==(const ReportEntry &, const ReportEntry &) = default;
};

// What the report says about one of the two files.
struct ReportFile
{
    QString path; // as the person named it; empty for a sheet without a file
    SheetFileFormat format;
    // The first data row the read could not hold whole, or 0 when the sheet holds the whole file.
    int partialReadFrom = 0;
    QString workbookSheet; // the worksheet read, when the file is a workbook
};

// The comparison's setting that the summary states.
struct ReportSettings
{
    std::array<ReportFile, 2> files;
    int delimiterMode = 0; // 0: comma mode
    QString delimiter; // the user's delimiter, when delimiterMode is not 0
    // The comparison options in force, each in the status line's words (compareOptionLabels), the
    // columns left out included; empty when none is on.
    QStringList options;
    // For each sheet, the file's data row behind each sheet row (index 0 unused, 0 for a row
    // inserted to line up); empty when the rows were not lined up.
    std::array<std::vector<int>, 2> fileRows;
    // The files' data columns facing each other after the columns were lined up, left to right, 0
    // for a filler column; empty when the columns were not lined up.
    std::vector<std::array<int, 2>> columnPairs;
    QDateTime createdAt; // the time the report states; injected so that tests see a fixed one
};

class DifferenceReport
{
public:
    DifferenceReport() = default;

    [[nodiscard]] const ReportSettings &settings() const
    {
        return m_settings;
    }
    // The cells listed, in reading order: row by row, left to right.
    [[nodiscard]] const std::vector<ReportEntry> &entries() const
    {
        return m_entries;
    }
    // How many cells of `kind` are listed.
    [[nodiscard]] qint64 count(ReportKind kind) const
    {
        return m_counts.at(size_t(kind));
    }
    [[nodiscard]] bool rowsLinedUp() const
    {
        return !m_settings.fileRows[0].empty() || !m_settings.fileRows[1].empty();
    }
    // The rows and columns of sheet `sheet`, header row and column included.
    [[nodiscard]] int rows(int sheet) const
    {
        return m_data.at(size_t(sheet)).rows();
    }
    [[nodiscard]] int cols(int sheet) const
    {
        return m_data.at(size_t(sheet)).cols();
    }
    // The text sheet `sheet` has at the position, or nothing when it lacks the cell.
    [[nodiscard]] std::optional<QStringView> text(int sheet, CellPosition position) const;
    // The column's title: the text of sheet 1's first data row, when sheet 1 has that cell.
    [[nodiscard]] QStringView columnTitle(int col) const;
    // The file's own data row behind a sheet row when the rows were lined up; nothing for a row
    // inserted to line up, or when the rows were not lined up.
    [[nodiscard]] std::optional<int> fileRow(int sheet, int row) const;
    // Whether sheet `sheet`'s row is one inserted to line up.
    [[nodiscard]] bool isFillerRow(int sheet, int row) const
    {
        const SheetData &data = m_data.at(size_t(sheet));
        return row < data.rows() && data.isFillerRow(row);
    }

    // The summary, one (caption, value) pair a line, in the order every format writes it.
    [[nodiscard]] QList<std::pair<QString, QString>> summary() const;

    // The list's column captions: 行, 列, 列の見出し, ファイル１の値, ファイル２の値, 種類, and when the
    // rows were lined up ファイル１の行 and ファイル２の行.
    [[nodiscard]] QStringList listCaptions() const;
    // One listed cell's fields under those captions, as text.
    [[nodiscard]] QStringList listFields(const ReportEntry &entry) const;

private:
    friend DifferenceReport buildDifferenceReport(const CompareResult &, const SheetData &, const SheetData &,
                                                  ReportSettings, std::span<const CellPosition>);

    ReportSettings m_settings;
    std::array<SheetData, 2> m_data; // shared with the sheets, not copied
    std::vector<ReportEntry> m_entries;
    std::array<qint64, 4> m_counts{};
};

// The report of a comparison's result: the positions it found differing, every cell only one
// sheet has, and the positions the comparison options made equal (`equivalents`, sorted; none
// while no option is on), merged in reading order. The sheets' data is shared, not copied.
[[nodiscard]] DifferenceReport buildDifferenceReport(const CompareResult &result, const SheetData &data0,
                                                     const SheetData &data1, ReportSettings settings,
                                                     std::span<const CellPosition> equivalents = {});

// Each sheet's file rows behind its rows, worked out from the rows marked as inserted to line
// up: every other row counts as the next row of the file. Empty when neither sheet has such a row.
[[nodiscard]] std::array<std::vector<int>, 2> fileRowsFromFillerRows(const SheetData &data0, const SheetData &data1);
// The column pairs of two sheets whose columns were lined up, read from their filler columns (the
// columns that are not fillers count as the file's own, in order); empty without filler columns.
[[nodiscard]] std::vector<std::array<int, 2>> columnPairsFromFillerCols(const SheetData &data0, const SheetData &data1);
