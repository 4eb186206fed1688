#include "FuzzSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace Qt::StringLiterals;

// Called by libFuzzer once before the first input: the code under test runs inside an
// application object, as it does in the programs and the tests.
extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication application(*argc, *argv);
    return 0;
}

namespace fuzz
{

void fail(const char *what, const QString &detail)
{
    std::fprintf(stderr, "invariant broken: %s\n", what);
    if (!detail.isEmpty())
        std::fprintf(stderr, "%s\n", detail.left(2000).toUtf8().constData());
    std::abort();
}

QString scratchPath(const QString &name)
{
    static const std::unique_ptr<QTemporaryDir> folder = [] {
        const QString base = QDir(u"/dev/shm"_s).exists() ? u"/dev/shm/rowlark-fuzz-XXXXXX"_s
                                                          : QDir::tempPath() + u"/rowlark-fuzz-XXXXXX"_s;
        auto made = std::make_unique<QTemporaryDir>(base);
        check(made->isValid(), "scratch folder", made->errorString());
        return made;
    }();
    return folder->filePath(name);
}

void writeFile(const QString &path, QByteArrayView bytes)
{
    QFile file(path);
    check(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "scratch file opens", path);
    check(file.write(bytes.data(), bytes.size()) == bytes.size(), "scratch file written", path);
}

void checkShapeAndLabels(const SheetData &data)
{
    check(data.rows() >= 1 && data.cols() >= 1, "a sheet has at least one row and one column");
    check(data.text(0, 0).isEmpty(), "the corner cell is empty", data.text(0, 0).toString());
    for (int c = 1; c < data.cols(); ++c) {
        const QString label = QString::number(c) + u"列"_s;
        check(data.text(0, c) == label, "column label", label + u" / "_s + data.text(0, c).toString());
    }
    for (int r = 1; r < data.rows(); ++r) {
        const QString label = QString::number(r) + u"行"_s;
        check(data.text(r, 0) == label, "row label", label + u" / "_s + data.text(r, 0).toString());
    }
}

void checkSameCells(const SheetData &expected, const SheetData &actual, const char *what)
{
    check(expected.rows() == actual.rows() && expected.cols() == actual.cols(), what,
          u"size %1 x %2, then %3 x %4"_s.arg(expected.rows())
              .arg(expected.cols())
              .arg(actual.rows())
              .arg(actual.cols()));
    for (int r = 0; r < expected.rows(); ++r) {
        for (int c = 0; c < expected.cols(); ++c) {
            if (expected.text(r, c) != actual.text(r, c))
                fail(what,
                     u"cell %1,%2: \"%3\", then \"%4\""_s.arg(r).arg(c).arg(expected.text(r, c).toString(),
                                                                            actual.text(r, c).toString()));
        }
    }
}

} // namespace fuzz
