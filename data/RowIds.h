#pragma once

#include <QByteArray>
#include <QVector>

namespace agency {

// A dataset's row ids in its order, held compactly: ten million of them must not cost 80 MB.
// Ids mostly follow one another, so a stretch of consecutive ids is kept as its first id and its
// length, a block of rising ids with few gaps as a bitmap of its range, and any other block as its
// first id and the differences, each in as few bytes as it needs.
class RowIds {
public:
    int size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    qint64 operator[](int i) const;
    void append(qint64 id);
    void removeAt(int i);
    void clear();
    int indexOf(qint64 id) const;  // the position of id, or -1
    // The first position holding any of these ids, in one pass however many they are.
    int indexOfAny(const QVector<qint64>& sorted) const;
    qint64 bytesUsed() const;

private:
    struct Block {
        qint64 first = 0;
        qint64 lo = 0, hi = 0;  // its smallest and largest id, so that a search skips it
        int start = 0;          // the position of its first id
        int count = 0;
        int offset = 0;  // its differences in m_bytes; none for a consecutive stretch
        int bytes = 0;
        bool bitmap = false;
    };

    void flushTail();
    void addBlock(const qint64* ids, int n);
    Block code(const qint64* ids, int n, int start);
    int blockAt(int i) const;
    const QVector<qint64>& decoded(int b) const;

    QVector<Block> m_blocks;
    QByteArray m_bytes;
    QVector<qint64> m_tail;  // the newest ids, not yet coded
    int m_size = 0;
    mutable int m_lastBlock = 0;     // where the last look-up landed: lists are read in order
    mutable int m_decodedBlock = -1;
    mutable QVector<qint64> m_decoded;
};

}  // namespace agency
