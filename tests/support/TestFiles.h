#pragma once

#include <QByteArray>
#include <QString>

class QTemporaryDir;

// Writes `bytes` to `name` in `folder` and returns its path. A test cannot go on without its
// input, so a failure stops the test program.
QString writeTestFile(const QTemporaryDir &folder, const QString &name, const QByteArray &bytes);

// A file's bytes, or "<unreadable>", so that a comparison with the expected bytes fails visibly.
QByteArray readTestFile(const QString &path);
