#pragma once

#include <QList>

#include <algorithm>
#include <functional>
#include <optional>
#include <vector>

// A sorted list of entries, each key at most once, kept in chunks that are each implicitly shared:
// a copy (an undo step keeps one) costs a reference, and changing one entry afterwards copies the
// short list of chunks and the one chunk it changes, not the tens of thousands of entries a large
// comparison leaves (its differing positions, its coloured cells). KeyOf gives an entry's key.
template<typename T, typename KeyOf = std::identity>
class SortedChunks
{
public:
    using Key = std::decay_t<decltype(KeyOf{}(std::declval<const T &>()))>;

    [[nodiscard]] qsizetype size() const
    {
        return m_size;
    }
    [[nodiscard]] bool empty() const
    {
        return m_size == 0;
    }
    void clear()
    {
        m_chunks.clear();
        m_size = 0;
    }
    // Takes entries sorted by key, each key once.
    void assign(const std::vector<T> &sorted)
    {
        clear();
        const auto chunk = std::size_t(kChunk);
        for (std::size_t from = 0; from < sorted.size(); from += chunk) {
            const std::size_t to = std::min(sorted.size(), from + chunk);
            m_chunks.append(QList<T>(sorted.begin() + qsizetype(from), sorted.begin() + qsizetype(to)));
        }
        m_size = qsizetype(sorted.size());
    }
    [[nodiscard]] std::vector<T> toVector() const
    {
        std::vector<T> all;
        all.reserve(std::size_t(m_size));
        for (const QList<T> &chunk : m_chunks)
            all.insert(all.end(), chunk.begin(), chunk.end());
        return all;
    }
    template<typename Visit>
    void forEach(Visit &&visit) const
    {
        for (const QList<T> &chunk : m_chunks) {
            for (const T &entry : chunk)
                visit(entry);
        }
    }
    template<typename Predicate>
    void eraseIf(Predicate &&predicate)
    {
        std::vector<T> kept;
        kept.reserve(std::size_t(m_size));
        forEach([&](const T &entry) {
            if (!predicate(entry))
                kept.push_back(entry);
        });
        if (qsizetype(kept.size()) != m_size)
            assign(kept);
    }

    [[nodiscard]] const T *find(const Key &key) const
    {
        const qsizetype c = chunkFor(key);
        if (c == m_chunks.size())
            return nullptr;
        const QList<T> &chunk = m_chunks.at(c);
        const auto it = lowerBound(chunk, key);
        return it != chunk.end() && !(key < KeyOf{}(*it)) ? &*it : nullptr;
    }
    [[nodiscard]] bool contains(const Key &key) const
    {
        return find(key) != nullptr;
    }
    [[nodiscard]] const T &last() const
    {
        return m_chunks.last().last();
    }
    // How many entries come before key.
    [[nodiscard]] qsizetype countBefore(const Key &key) const
    {
        const qsizetype c = chunkFor(key);
        qsizetype before = 0;
        for (qsizetype i = 0; i < c; ++i)
            before += m_chunks.at(i).size();
        if (c < m_chunks.size())
            before += lowerBound(m_chunks.at(c), key) - m_chunks.at(c).begin();
        return before;
    }
    // The first entry after key, and the last one before it.
    [[nodiscard]] std::optional<T> firstAfter(const Key &key) const
    {
        for (qsizetype c = chunkFor(key); c < m_chunks.size(); ++c) {
            const QList<T> &chunk = m_chunks.at(c);
            const auto it = std::upper_bound(chunk.begin(), chunk.end(), key,
                                             [](const Key &k, const T &entry) { return k < KeyOf{}(entry); });
            if (it != chunk.end())
                return *it;
        }
        return std::nullopt;
    }
    [[nodiscard]] std::optional<T> lastBefore(const Key &key) const
    {
        for (qsizetype c = std::min(chunkFor(key), m_chunks.size() - 1); c >= 0; --c) {
            const QList<T> &chunk = m_chunks.at(c);
            if (const auto it = lowerBound(chunk, key); it != chunk.begin())
                return *std::prev(it);
        }
        return std::nullopt;
    }

    // Puts the entry in, in place of one with its key.
    void insert(const T &entry)
    {
        const Key key = KeyOf{}(entry);
        qsizetype c = chunkFor(key);
        if (c == m_chunks.size()) {
            if (c == 0 || m_chunks.at(c - 1).size() >= kChunk) {
                m_chunks.append(QList<T>{entry});
                ++m_size;
                return;
            }
            --c; // after every entry: at the end of the last chunk
        }
        const QList<T> &chunk = m_chunks.at(c);
        const auto it = lowerBound(chunk, key);
        const qsizetype at = it - chunk.begin();
        if (it != chunk.end() && !(key < KeyOf{}(*it))) {
            m_chunks[c][at] = entry;
            return;
        }
        QList<T> &mine = m_chunks[c];
        mine.insert(at, entry);
        ++m_size;
        // A chunk grown to twice its size is split, so that a change never copies more than that.
        if (mine.size() >= 2 * kChunk) {
            QList<T> upper = mine.sliced(kChunk);
            mine.resize(kChunk);
            m_chunks.insert(c + 1, std::move(upper));
        }
    }
    void erase(const Key &key)
    {
        const qsizetype c = chunkFor(key);
        if (c == m_chunks.size())
            return;
        const QList<T> &chunk = m_chunks.at(c);
        const auto it = lowerBound(chunk, key);
        if (it == chunk.end() || key < KeyOf{}(*it))
            return;
        const qsizetype at = it - chunk.begin();
        QList<T> &mine = m_chunks[c];
        mine.remove(at);
        if (mine.isEmpty())
            m_chunks.remove(c);
        --m_size;
    }

    // Bytes held, and the bytes of them `other` does not share.
    [[nodiscard]] qsizetype heldBytes() const
    {
        qsizetype bytes = m_chunks.capacity() * qsizetype(sizeof(QList<T>));
        for (const QList<T> &chunk : m_chunks)
            bytes += chunk.capacity() * qsizetype(sizeof(T));
        return bytes;
    }
    [[nodiscard]] qsizetype bytesNotSharedWith(const SortedChunks &other) const
    {
        if (m_chunks.constData() == other.m_chunks.constData())
            return 0;
        qsizetype bytes = m_chunks.capacity() * qsizetype(sizeof(QList<T>));
        for (const QList<T> &chunk : m_chunks) {
            const bool shared = std::any_of(other.m_chunks.begin(), other.m_chunks.end(), [&](const QList<T> &theirs) {
                return theirs.constData() == chunk.constData();
            });
            if (!shared)
                bytes += chunk.capacity() * qsizetype(sizeof(T));
        }
        return bytes;
    }

private:
    static constexpr qsizetype kChunk = 512;

    static auto lowerBound(const QList<T> &chunk, const Key &key)
    {
        return std::lower_bound(chunk.begin(), chunk.end(), key,
                                [](const T &entry, const Key &k) { return KeyOf{}(entry) < k; });
    }
    // The first chunk whose last entry is not before key; the chunk count when there is none.
    [[nodiscard]] qsizetype chunkFor(const Key &key) const
    {
        return std::partition_point(m_chunks.begin(), m_chunks.end(),
                                    [&](const QList<T> &chunk) { return KeyOf{}(chunk.last()) < key; })
            - m_chunks.begin();
    }

    QList<QList<T>> m_chunks; // each sorted and never empty, in order
    qsizetype m_size = 0;
};
