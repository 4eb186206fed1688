#pragma once

#include <QString>
#include <QStringList>

#include <array>

// The files each side last held, most recent first, for the file menu's "最近使ったファイル":
// at most kMaxFiles per side, each path once, written as an absolute, clean path so that two
// spellings of one file are one entry. Kept in the settings file.
class RecentFiles
{
public:
    static constexpr qsizetype kMaxFiles = 8;

    [[nodiscard]] const QStringList &files(int side) const
    {
        return m_files.at(std::size_t(side));
    }
    // `path` becomes side `side`'s most recent file; an entry for it further down goes, and the
    // oldest past kMaxFiles drops off. An empty path is no file.
    void add(int side, const QString &path);
    // Takes `path` off side `side`'s list (a file that is gone). False when it was not on it.
    bool remove(int side, const QString &path);
    // The list as the settings file gave it, oldest entries beyond kMaxFiles and repeats left out.
    void setFiles(int side, const QStringList &paths);

    // The spelling an entry is kept under.
    [[nodiscard]] static QString entryFor(const QString &path);

private:
    std::array<QStringList, 2> m_files;
};
