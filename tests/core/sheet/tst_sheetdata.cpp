// The sheet's storage over sheets large enough to span many row blocks and groups of them: every
// change of rows, columns and texts lands where a plain table of cells says it must, with or
// without an undo snapshot sharing the storage, and writing one cell leaves the snapshot's storage
// shared but for a sliver.

#include "SheetData.h"

#include <QTest>

#include <vector>

using namespace Qt::StringLiterals;

namespace
{
constexpr OleColor kRed = kDiffBackColor;

// The cells as a plain table: the reference every change of the storage is held to.
struct Table
{
    std::vector<std::vector<QString>> texts;
    std::vector<std::vector<OleColor>> backs;
    std::vector<std::vector<bool>> quoted;

    [[nodiscard]] int rows() const
    {
        return int(texts.size());
    }
    [[nodiscard]] int cols() const
    {
        return texts.empty() ? 0 : int(texts.front().size());
    }
    std::vector<QString> emptyTexts() const
    {
        return std::vector<QString>(size_t(cols()));
    }
};

// Row r, column c holds "r.c", as a read leaves it: a slice of one pool of text. Every
// `colourEvery`-th cell is light red, every fifth quoted.
void fill(SheetData &data, Table &table, int rows, int cols, int colourEvery)
{
    data = SheetData(rows, cols);
    table = {};
    QString pool;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c)
            pool += u"%1.%2"_s.arg(r).arg(c);
    }
    data.setPool(pool);
    quint32 offset = 0;
    for (int r = 0; r < rows; ++r) {
        table.texts.emplace_back();
        table.backs.emplace_back();
        table.quoted.emplace_back();
        for (int c = 0; c < cols; ++c) {
            const QString text = u"%1.%2"_s.arg(r).arg(c);
            const bool red = (r * cols + c) % colourEvery == 0;
            const bool quoted = (r + c) % 5 == 0;
            data.setCellRef(r, c, {offset, quint32(text.size())});
            offset += quint32(text.size());
            if (red)
                data.setBackColor(r, c, kRed);
            data.setQuoted(r, c, quoted);
            table.texts.back().push_back(text);
            table.backs.back().push_back(red ? kRed : kWindowBackColor);
            table.quoted.back().push_back(quoted);
        }
    }
}

template<typename Row>
void insertRows(std::vector<Row> &rows, int at, int count, const Row &empty)
{
    rows.insert(rows.begin() + at, size_t(count), empty);
}

void compareWith(const SheetData &data, const Table &table)
{
    QCOMPARE(data.rows(), table.rows());
    QCOMPARE(data.cols(), table.cols());
    for (int r = 0; r < table.rows(); ++r) {
        for (int c = 0; c < table.cols(); ++c) {
            if (data.text(r, c) != table.texts[size_t(r)][size_t(c)]
                || data.backColor(r, c) != table.backs[size_t(r)][size_t(c)]
                || data.wasQuoted(r, c) != table.quoted[size_t(r)][size_t(c)])
                QFAIL(qPrintable(u"cell %1,%2: \"%3\", expected \"%4\""_s.arg(r)
                                     .arg(c)
                                     .arg(data.text(r, c))
                                     .arg(table.texts[size_t(r)][size_t(c)])));
        }
    }
}
} // namespace

class TestSheetData : public QObject
{
    Q_OBJECT

private slots:
    void changesLandWhereATableSays_data();
    void changesLandWhereATableSays();
    void oneCellWrittenSharesTheRest();
};

void TestSheetData::changesLandWhereATableSays_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("at");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("colourEvery"); // 9: colours listed cell by cell; 2: a plane of them

    // 1100 rows cross row blocks and groups of blocks; the places are on and beside their edges.
    const struct
    {
        const char *change;
        int at;
        int count;
    } changes[] = {
        {"insertRows", 0, 16},     {"insertRows", 511, 3},    {"insertRows", 1100, 20},   {"removeRows", 15, 2},
        {"removeRows", 512, 512},  {"removeRows", 1, 1099},   {"insertRowGroups", 16, 5}, {"reorderRows", 0, 0},
        {"insertCols", 0, 2},      {"insertCols", 7, 1},      {"removeCols", 3, 2},       {"shiftTextsDown", 500, 30},
        {"shiftTextsUp", 10, 600}, {"shiftTextsRight", 1, 3}, {"shiftTextsLeft", 2, 4},   {"resize", 1500, 9},
        {"resize", 17, 3},         {"clear", 0, 0},
    };
    for (const auto &change : changes) {
        for (const int colourEvery : {9, 2}) {
            QTest::addRow("%s %d %d, %s", change.change, change.at, change.count,
                          colourEvery == 2 ? "colour plane" : "listed colours")
                << QString::fromLatin1(change.change) << change.at << change.count << colourEvery;
        }
    }
}

void TestSheetData::changesLandWhereATableSays()
{
    QFETCH(QString, change);
    QFETCH(int, at);
    QFETCH(int, count);
    QFETCH(int, colourEvery);

    SheetData data;
    Table table;
    fill(data, table, 1100, 8, colourEvery);
    const SheetData snapshot = data;
    const Table before = table;
    const std::vector<OleColor> plainBacks(size_t(table.cols()), kWindowBackColor);
    const std::vector<bool> unquoted(size_t(table.cols()), false);

    if (change == u"insertRows") {
        data.insertRows(at, count);
        insertRows(table.texts, at, count, table.emptyTexts());
        insertRows(table.backs, at, count, plainBacks);
        insertRows(table.quoted, at, count, unquoted);
    } else if (change == u"removeRows") {
        data.removeRows(at, count);
        table.texts.erase(table.texts.begin() + at, table.texts.begin() + at + count);
        table.backs.erase(table.backs.begin() + at, table.backs.begin() + at + count);
        table.quoted.erase(table.quoted.begin() + at, table.quoted.begin() + at + count);
    } else if (change == u"insertRowGroups") {
        // `count` rows at `at`, one at 600, two at the end.
        data.insertRowGroups({{at, count}, {600, 1}, {1100, 2}});
        // From the last place back, so that each place is still in the numbering before.
        for (const auto &[place, rows] : {std::pair{1100, 2}, {600, 1}, {at, count}}) {
            insertRows(table.texts, place, rows, table.emptyTexts());
            insertRows(table.backs, place, rows, plainBacks);
            insertRows(table.quoted, place, rows, unquoted);
        }
    } else if (change == u"reorderRows") {
        // Header row first, then the data rows backwards.
        std::vector<int> order{0};
        for (int r = table.rows() - 1; r >= 1; --r)
            order.push_back(r);
        data.reorderRows(order);
        std::reverse(table.texts.begin() + 1, table.texts.end());
        std::reverse(table.backs.begin() + 1, table.backs.end());
        std::reverse(table.quoted.begin() + 1, table.quoted.end());
    } else if (change == u"insertCols" || change == u"removeCols") {
        const bool insert = change == u"insertCols";
        insert ? data.insertCols(at, count) : data.removeCols(at, count);
        for (int r = 0; r < table.rows(); ++r) {
            auto &texts = table.texts[size_t(r)];
            auto &backs = table.backs[size_t(r)];
            auto &quoted = table.quoted[size_t(r)];
            if (insert) {
                texts.insert(texts.begin() + at, size_t(count), QString());
                backs.insert(backs.begin() + at, size_t(count), kWindowBackColor);
                quoted.insert(quoted.begin() + at, size_t(count), false);
            } else {
                texts.erase(texts.begin() + at, texts.begin() + at + count);
                backs.erase(backs.begin() + at, backs.begin() + at + count);
                quoted.erase(quoted.begin() + at, quoted.begin() + at + count);
            }
        }
    } else if (change.startsWith(u"shiftTexts")) {
        // Texts and their quoting marks move; colours stay where they are.
        const auto shift = [&](auto &rows, auto empty) {
            if (change == u"shiftTextsDown") {
                rows.insert(rows.begin() + at, size_t(count), empty);
                rows.resize(rows.size() - size_t(count));
            } else if (change == u"shiftTextsUp") {
                rows.erase(rows.begin() + at, rows.begin() + at + count);
                rows.insert(rows.end(), size_t(count), empty);
            } else {
                for (auto &row : rows) {
                    if (change == u"shiftTextsRight") {
                        row.insert(row.begin() + at, size_t(count), typename std::decay_t<decltype(row)>::value_type{});
                        row.resize(row.size() - size_t(count));
                    } else {
                        row.erase(row.begin() + at, row.begin() + at + count);
                        row.insert(row.end(), size_t(count), typename std::decay_t<decltype(row)>::value_type{});
                    }
                }
            }
        };
        if (change == u"shiftTextsDown")
            data.shiftTextsDown(at, count);
        else if (change == u"shiftTextsUp")
            data.shiftTextsUp(at, count);
        else if (change == u"shiftTextsRight")
            data.shiftTextsRight(at, count);
        else
            data.shiftTextsLeft(at, count);
        shift(table.texts, table.emptyTexts());
        shift(table.quoted, unquoted);
    } else if (change == u"resize") {
        data.resize(at, count);
        for (int r = 0; r < table.rows(); ++r) {
            table.texts[size_t(r)].resize(size_t(count));
            table.backs[size_t(r)].resize(size_t(count), kWindowBackColor);
            table.quoted[size_t(r)].resize(size_t(count), false);
        }
        table.texts.resize(size_t(at), std::vector<QString>(size_t(count)));
        table.backs.resize(size_t(at), std::vector<OleColor>(size_t(count), kWindowBackColor));
        table.quoted.resize(size_t(at), std::vector<bool>(size_t(count), false));
    } else if (change == u"clear") {
        data.clear();
        for (int r = 0; r < table.rows(); ++r) {
            table.texts[size_t(r)] = table.emptyTexts();
            table.backs[size_t(r)] = plainBacks;
            table.quoted[size_t(r)] = unquoted;
        }
    }
    compareWith(data, table);
    // The snapshot shared the storage while it changed: it still holds the cells as they were.
    compareWith(snapshot, before);

    // A cell written afterwards, in the last block, lands there alone.
    const int lastRow = table.rows() - 1;
    if (lastRow >= 0 && table.cols() > 0) {
        data.setText(lastRow, 0, u"written"_s);
        data.setBackColor(lastRow, 0, kExtraBackColor);
        table.texts[size_t(lastRow)][0] = u"written"_s;
        table.backs[size_t(lastRow)][0] = kExtraBackColor;
        compareWith(data, table);
    }
}

// An undo step keeps a copy of the sheet; one cell written afterwards must not make the sheet copy
// its per-cell storage, whichever way its colours are held.
void TestSheetData::oneCellWrittenSharesTheRest()
{
    for (const int colourEvery : {100, 2}) {
        SheetData data;
        Table table;
        fill(data, table, 4000, 100, colourEvery);
        const SheetData snapshot = data;
        QCOMPARE(data.overheadBytesNotSharedWith(snapshot), 0);
        data.setText(2345, 67, u"x"_s);
        data.setBackColor(2345, 67, kExtraBackColor);
        data.setBackColor(10, 3, kWindowBackColor);
        // A few blocks of 16 rows and a few lists of them, against 400,000 cells of at least 5 bytes.
        QVERIFY2(data.overheadBytesNotSharedWith(snapshot) < 64 * 1024,
                 qPrintable(QString::number(data.overheadBytesNotSharedWith(snapshot))));
        QVERIFY(data.overheadBytes() > 2'000'000);
        QCOMPARE(snapshot.text(2345, 67), table.texts[2345][67]);
        QCOMPARE(data.text(2345, 67), u"x"_s);
        QCOMPARE(snapshot.backColor(2345, 67), table.backs[2345][67]);
    }
}

QTEST_GUILESS_MAIN(TestSheetData)
#include "tst_sheetdata.moc"
