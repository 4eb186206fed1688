#include "MDllChk.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#if __has_include(<link.h>)
#include <link.h>
#define ROWLARK_HAVE_DL_ITERATE_PHDR 1
#endif

using namespace Qt::StringLiterals;

namespace
{
constexpr int kMaxIncludeDepth = 8;

void appendPathList(QStringList &folders, const QByteArray &list)
{
    for (const QString &entry : QString::fromLocal8Bit(list).split(u':', Qt::SkipEmptyParts))
        folders.append(entry);
}

#ifdef ROWLARK_HAVE_DL_ITERATE_PHDR
// A library found through a RUNPATH or a folder the loader was told about is as usable as one in
// the standard folders: the folders the loader actually took libraries from count too.
int collectLoadedFolder(dl_phdr_info *info, size_t, void *data)
{
    auto *folders = static_cast<QStringList *>(data);
    if (info->dlpi_name && info->dlpi_name[0] != '\0')
        folders->append(QFileInfo(QString::fromLocal8Bit(info->dlpi_name)).absolutePath());
    return 0;
}
#endif

void readLdConf(QStringList &folders, const QString &confPath, int depth)
{
    if (depth > kMaxIncludeDepth)
        return;
    QFile file(confPath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    const QString confFolder = QFileInfo(confPath).absolutePath();
    while (!file.atEnd()) {
        QString line = QString::fromLocal8Bit(file.readLine());
        const qsizetype hash = line.indexOf(u'#');
        if (hash >= 0)
            line.truncate(hash);
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        if (line.startsWith(u"include"_s) && line.size() > 7 && line[7].isSpace()) {
            const QString pattern = line.mid(8).trimmed();
            const QFileInfo patternInfo(QDir(confFolder), pattern);
            const QDir folder(patternInfo.absolutePath());
            const QStringList names = folder.entryList({patternInfo.fileName()}, QDir::Files, QDir::Name);
            for (const QString &name : names)
                readLdConf(folders, folder.filePath(name), depth + 1);
        } else {
            folders.append(line);
        }
    }
}

void appendMultiarchFolders(QStringList &folders, const QString &base)
{
    const QDir dir(base);
    for (const QString &name : dir.entryList({u"*-linux-gnu*"_s}, QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
        folders.append(dir.filePath(name));
}
} // namespace

namespace MDllChk
{
QStringList searchFolders()
{
    QStringList folders;
    if (QCoreApplication::instance())
        folders.append(QCoreApplication::applicationDirPath());
    folders.append(QDir::currentPath());

    appendPathList(folders, qgetenv("LD_LIBRARY_PATH"));
#ifdef ROWLARK_HAVE_DL_ITERATE_PHDR
    dl_iterate_phdr(collectLoadedFolder, &folders);
#endif
    readLdConf(folders, u"/etc/ld.so.conf"_s, 0);
    for (const QString &base : {u"/lib"_s, u"/usr/lib"_s}) {
        folders.append(base);
        appendMultiarchFolders(folders, base);
    }
    folders.append(u"/lib64"_s);
    folders.append(u"/usr/lib64"_s);

    appendPathList(folders, qgetenv("PATH"));

    QStringList unique;
    QSet<QString> seen;
    for (const QString &folder : std::as_const(folders)) {
        const QString clean = QDir::cleanPath(folder);
        if (!clean.isEmpty() && !seen.contains(clean)) {
            seen.insert(clean);
            unique.append(clean);
        }
    }
    return unique;
}

bool IsFileOnSearchPath(const QString &fileName)
{
    if (fileName.isEmpty())
        return false;
    if (QDir::isAbsolutePath(fileName))
        return QFileInfo(fileName).isFile();
    for (const QString &folder : searchFolders()) {
        if (QFileInfo(QDir(folder), fileName).isFile())
            return true;
    }
    return false;
}
} // namespace MDllChk
