#include "RecentFiles.h"

#include <QDir>
#include <QFileInfo>

QString RecentFiles::entryFor(const QString &path)
{
    if (path.isEmpty())
        return {};
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

void RecentFiles::add(int side, const QString &path)
{
    const QString entry = entryFor(path);
    if (entry.isEmpty())
        return;
    QStringList &files = m_files.at(std::size_t(side));
    files.removeAll(entry);
    files.prepend(entry);
    while (files.size() > kMaxFiles)
        files.removeLast();
}

bool RecentFiles::remove(int side, const QString &path)
{
    return m_files.at(std::size_t(side)).removeAll(entryFor(path)) > 0;
}

void RecentFiles::setFiles(int side, const QStringList &paths)
{
    QStringList &files = m_files.at(std::size_t(side));
    files.clear();
    for (const QString &path : paths) {
        const QString entry = entryFor(path);
        if (!entry.isEmpty() && !files.contains(entry) && files.size() < kMaxFiles)
            files.append(entry);
    }
}
