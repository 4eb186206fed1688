#include "MLST_RIREKI.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace MLST_RIREKI;

class TestHistory : public QObject
{
    Q_OBJECT

private slots:
    void addHistoryEntry_data();
    void addHistoryEntry();
    void loadAndStoreKeepStaleSlots();
};

void TestHistory::addHistoryEntry_data()
{
    QTest::addColumn<QStringList>("list");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");

    const QStringList full{u"b"_s, u"c"_s, u"d"_s, u"e"_s, u"f"_s};
    const QStringList afterX{u"x"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s};
    QTest::newRow("new text pushes the oldest off") << full << u"x"_s << afterX;
    QTest::newRow("duplicate moves to the top, nothing drops")
        << afterX << u"d"_s << QStringList{u"d"_s, u"x"_s, u"b"_s, u"c"_s, u"e"_s};
    QTest::newRow("comparison is case-sensitive")
        << QStringList{u"a"_s, u"b"_s} << u"B"_s << QStringList{u"B"_s, u"a"_s, u"b"_s};
    QTest::newRow("first use of an empty history") << QStringList{} << u"abc"_s << QStringList{u"abc"_s};
    QTest::newRow("empty text is an entry") << QStringList{u"a"_s} << u""_s << QStringList{u""_s, u"a"_s};
    QTest::newRow("newest used again changes nothing")
        << QStringList{u"a"_s, u"b"_s} << u"a"_s << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("last entry moves to the top")
        << full << u"f"_s << QStringList{u"f"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s};
    QTest::newRow("only the first of two equal entries goes")
        << QStringList{u"a"_s, u"x"_s, u"a"_s} << u"a"_s << QStringList{u"a"_s, u"x"_s, u"a"_s};
    QTest::newRow("full-width and half-width differ") << QStringList{u"ａ"_s} << u"a"_s << QStringList{u"a"_s, u"ａ"_s};
}

void TestHistory::addHistoryEntry()
{
    QFETCH(QStringList, list);
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    QCOMPARE(AddHistoryEntry(list, text), expected);
}

void TestHistory::loadAndStoreKeepStaleSlots()
{
    // Five slots read from a settings file whose second search line was empty.
    History history{u"a"_s, u""_s, u"c"_s, u"d"_s, u"e"_s};
    QStringList list = listFromHistory(history);
    QCOMPARE(list, (QStringList{u"a"_s, u"c"_s, u"d"_s, u"e"_s}));

    list = AddHistoryEntry(list, u"c"_s);
    storeHistory(list, history);
    // Four entries go into the first four slots; the fifth keeps its old text, now held twice.
    QCOMPARE(history, (History{u"c"_s, u"a"_s, u"d"_s, u"e"_s, u"e"_s}));

    storeHistory({}, history);
    QCOMPARE(history, (History{u"c"_s, u"a"_s, u"d"_s, u"e"_s, u"e"_s}));
}

QTEST_APPLESS_MAIN(TestHistory)
#include "tst_history.moc"
