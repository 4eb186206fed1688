#include "LoadedLibrary.h"

#include <QTest>

#include <zlib.h>

// Two of zlib's functions, found as the program finds libzip's.
#define TEST_ZLIB_FUNCTIONS(X)                                                                                         \
    X(zlibVersion)                                                                                                     \
    X(crc32)

using namespace Qt::StringLiterals;

namespace
{
struct ZlibFunctions
{
    TEST_ZLIB_FUNCTIONS(ROWLARK_FUNCTION_MEMBER)
};

bool findZlib(const LoadedLibrary &library, ZlibFunctions &functions)
{
    return ROWLARK_FIND_FUNCTIONS(TEST_ZLIB_FUNCTIONS)(library, functions);
}

// Asks for one function more than zlib has.
struct MoreThanZlib
{
    ZlibFunctions zlib;
    void (*missing)() = nullptr;
};

bool findMoreThanZlib(const LoadedLibrary &library, MoreThanZlib &functions)
{
    return findZlib(library, functions.zlib) && (functions.missing = library.function<void (*)()>("rowlark_none"));
}
} // namespace

class TestLoadedLibrary : public QObject
{
    Q_OBJECT

private slots:
    void findsWhatIsThere_data();
    void findsWhatIsThere();
    void functionsWorkOrAreMissingTogether();
};

void TestLoadedLibrary::findsWhatIsThere_data()
{
    QTest::addColumn<QByteArray>("library");
    QTest::addColumn<QByteArray>("function");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<bool>("found");
    QTest::newRow("a function of the library") << "libz.so.1"_ba
                                               << "zlibVersion"_ba << true << true;
    QTest::newRow("no such function") << "libz.so.1"_ba
                                      << "rowlark_none"_ba << true << false;
    QTest::newRow("no such library") << "librowlark-none.so.0"_ba
                                     << "zlibVersion"_ba << false << false;
}

// A library that is missing, or lacks a function, says so instead of ending the program.
void TestLoadedLibrary::findsWhatIsThere()
{
    QFETCH(QByteArray, library);
    QFETCH(QByteArray, function);
    QFETCH(bool, loaded);
    QFETCH(bool, found);
    const LoadedLibrary opened(library.constData());
    QCOMPARE(opened.isLoaded(), loaded);
    QCOMPARE(opened.function<void (*)()>(function.constData()) != nullptr, found);
}

void TestLoadedLibrary::functionsWorkOrAreMissingTogether()
{
    const ZlibFunctions *zlib = loadedFunctions<ZlibFunctions>("libz.so.1", findZlib);
    QVERIFY(zlib);
    // The functions are the library's own: they give what the linked ones give.
    QCOMPARE(QByteArray(zlib->zlibVersion()), QByteArray(::zlibVersion()));
    const Bytef text[] = "Rowlark";
    QCOMPARE(zlib->crc32(0, text, 7), ::crc32(0, text, 7));
    // Once found, the same functions every time.
    QCOMPARE(loadedFunctions<ZlibFunctions>("libz.so.1", findZlib), zlib);
    // One missing function leaves none: a caller never holds half a library.
    QCOMPARE(loadedFunctions<MoreThanZlib>("libz.so.1", findMoreThanZlib), nullptr);
}

QTEST_GUILESS_MAIN(TestLoadedLibrary)
#include "tst_loadedlibrary.moc"
