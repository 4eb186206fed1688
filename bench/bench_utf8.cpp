// UTF-8 decoding alone: Qt's decoder against the file reader's own, on the bytes of a file.
//
//   bench_utf8 [--runs N] [FILE]
//
// Without a file, 50 MB of the text a Japanese CSV file holds (fields of ASCII or kana and kanji,
// mixed) are made first. Each decoder writes into the same buffer, touched beforehand, so that
// the figures are the decoders' and not the memory's.

#include "BenchRuns.h"
#include "Utf8Decoder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QStringDecoder>

#include <functional>

namespace
{
QByteArray makeText()
{
    const QString ascii = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789");
    const QString japanese = QStringLiteral("あいうえおかきくけこアイウエオカキクケコ日本語表計算比較行列値変更差分");
    QRandomGenerator random(3);
    QString text;
    while (text.size() < 30'000'000) {
        for (int c = 0; c < 100; ++c) {
            if (c > 0)
                text += u',';
            const int length = 4 + int(random.bounded(9));
            for (int i = 0; i < length; ++i) {
                const QString &pool = random.bounded(2) ? ascii : japanese;
                text += pool.at(random.bounded(pool.size()));
            }
        }
        text += QStringLiteral("\r\n");
    }
    return text.toUtf8();
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const int runs = runsFromArguments(arguments);
    QByteArray bytes;
    const QString path = arguments.size() > 1 && !arguments.last().startsWith(u'-')
            && arguments.at(arguments.size() - 2) != QStringLiteral("--runs")
        ? arguments.last()
        : QString();
    if (path.isEmpty()) {
        bytes = makeText();
    } else {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(
                stderr, "cannot read %s (the pairs come from python3 bench/gen_csvpair.py --preset all --outdir DIR)\n",
                qPrintable(path));
            return 1;
        }
        bytes = file.readAll();
    }
    std::vector<char16_t> out(size_t(bytes.size()) + 1, u'\0');
    qsizetype expected = -1;
    const auto time = [&](const char *name, const std::function<qsizetype()> &decode) {
        std::vector<double> ms;
        for (int run = 0; run < runs; ++run) {
            QElapsedTimer timer;
            timer.start();
            const qsizetype units = decode();
            ms.push_back(double(timer.nsecsElapsed()) / 1e6);
            if (expected < 0)
                expected = units;
            else if (units != expected)
                std::printf("%s: %lld units, not %lld\n", name, qlonglong(units), qlonglong(expected));
        }
        reportRuns(name, ms, 0);
        // On a busy machine the fastest run says most about the decoder.
        std::printf("%-44s fastest %8.2f ms\n", "", *std::min_element(ms.begin(), ms.end()));
    };
    std::printf("%.1f MB\n", double(bytes.size()) / 1e6);
    time("Qt QStringDecoder", [&] {
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        return qsizetype(decoder.appendToBuffer(reinterpret_cast<QChar *>(out.data()), bytes)
                         - reinterpret_cast<QChar *>(out.data()));
    });
    time("Utf8Decoder::decode", [&] {
        return qsizetype(Utf8Decoder::decode(bytes.constData(), size_t(bytes.size()), out.data()).unitsWritten);
    });
    time("Utf8Decoder::decodePortable", [&] {
        return qsizetype(Utf8Decoder::decodePortable(bytes.constData(), size_t(bytes.size()), out.data()).unitsWritten);
    });
    return 0;
}
