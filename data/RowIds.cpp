#include "data/RowIds.h"

#include <algorithm>
#include <cstring>

namespace agency {

namespace {

constexpr int kBlock = 2048;  // ids coded together; the tail holds as many before it is coded

void putVarint(QByteArray& out, qint64 delta)
{
    quint64 v = (quint64(delta) << 1) ^ quint64(delta >> 63);  // small of either sign, few bytes
    while (v >= 0x80) {
        out.append(char(v | 0x80));
        v >>= 7;
    }
    out.append(char(v));
}

// Differences and spans taken modulo 2^64: any two ids, however far apart, give no overflow.
qint64 minus(qint64 a, qint64 b)
{
    return qint64(quint64(a) - quint64(b));
}

bool follows(qint64 next, qint64 id)
{
    return next > id && minus(next, id) == 1;
}

}  // namespace

qint64 RowIds::operator[](int i) const
{
    const int tailStart = m_size - int(m_tail.size());
    if (i >= tailStart) return m_tail[i - tailStart];
    const int b = blockAt(i);
    const Block& block = m_blocks[b];
    if (block.bytes == 0) return block.first + (i - block.start);
    return decoded(b)[i - block.start];
}

void RowIds::append(qint64 id)
{
    if (m_tail.capacity() < kBlock) m_tail.reserve(kBlock);  // growing by doubling would take twice that
    m_tail.append(id);
    ++m_size;
    if (m_tail.size() == kBlock) flushTail();
}

void RowIds::flushTail()
{
    addBlock(m_tail.constData(), int(m_tail.size()));
    m_tail.clear();
}

void RowIds::addBlock(const qint64* ids, int n)
{
    if (n == 0) return;
    const int start = m_blocks.isEmpty() ? 0 : m_blocks.last().start + m_blocks.last().count;
    const Block block = code(ids, n, start);
    if (block.bytes == 0 && !m_blocks.isEmpty()) {
        Block& last = m_blocks.last();
        if (last.bytes == 0 && follows(block.first, last.hi)) {  // a stretch that goes on
            last.count += n;
            last.hi = block.hi;
            return;
        }
    }
    m_blocks.append(block);
}

RowIds::Block RowIds::code(const qint64* ids, int n, int start)
{
    Block block;
    block.first = ids[0];
    block.start = start;
    block.count = n;
    const auto [lo, hi] = std::minmax_element(ids, ids + n);
    block.lo = *lo;
    block.hi = *hi;
    bool consecutive = true;
    for (int k = 1; consecutive && k < n; ++k) consecutive = follows(ids[k], ids[k - 1]);
    if (consecutive) return block;
    block.offset = int(m_bytes.size());
    for (int k = 1; k < n; ++k) putVarint(m_bytes, minus(ids[k], ids[k - 1]));
    block.bytes = int(m_bytes.size()) - block.offset;
    const bool rising = std::is_sorted(ids, ids + n) && std::adjacent_find(ids, ids + n) == ids + n;
    const quint64 bitmapBytes = quint64(minus(block.hi, block.first)) / 8 + 1;
    if (rising && bitmapBytes < quint64(block.bytes)) {
        m_bytes.truncate(block.offset);
        m_bytes.append(QByteArray(int(bitmapBytes), '\0'));
        uchar* bits = reinterpret_cast<uchar*>(m_bytes.data()) + block.offset;
        for (int k = 0; k < n; ++k) {
            const quint64 bit = quint64(minus(ids[k], block.first));
            bits[bit >> 3] |= uchar(1 << (bit & 7));
        }
        block.bytes = int(bitmapBytes);
        block.bitmap = true;
    }
    return block;
}

int RowIds::blockAt(int i) const
{
    if (m_lastBlock < m_blocks.size()) {
        const Block& b = m_blocks[m_lastBlock];
        if (i >= b.start && i < b.start + b.count) return m_lastBlock;
    }
    const auto it = std::upper_bound(m_blocks.cbegin(), m_blocks.cend(), i,
                                     [](int pos, const Block& b) { return pos < b.start; });
    m_lastBlock = int(it - m_blocks.cbegin()) - 1;
    return m_lastBlock;
}

const QVector<qint64>& RowIds::decoded(int b) const
{
    if (m_decodedBlock == b) return m_decoded;
    const Block& block = m_blocks[b];
    m_decoded.reserve(kBlock);
    m_decoded.resize(block.count);
    qint64 id = block.first;
    m_decoded[0] = id;
    const uchar* p = reinterpret_cast<const uchar*>(m_bytes.constData()) + block.offset;
    if (block.bitmap) {
        int k = 0;
        for (qint64 bit = 0; k < block.count; ++bit)
            if (p[bit >> 3] & (1 << (bit & 7))) m_decoded[k++] = qint64(quint64(block.first) + quint64(bit));
    } else {
        for (int k = 1; k < block.count; ++k) {
            quint64 v = 0;
            for (int shift = 0;; shift += 7) {
                const uchar c = *p++;
                v |= quint64(c & 0x7f) << shift;
                if (!(c & 0x80)) break;
            }
            id = qint64(quint64(id) + (quint64(v >> 1) ^ (0 - (v & 1))));
            m_decoded[k] = id;
        }
    }
    m_decodedBlock = b;
    return m_decoded;
}

int RowIds::indexOf(qint64 id) const
{
    // The newest first: a row just appended is the one most often looked for.
    const int tailStart = m_size - int(m_tail.size());
    for (int k = int(m_tail.size()) - 1; k >= 0; --k)
        if (m_tail[k] == id) return tailStart + k;
    return indexOfAny({id});
}

int RowIds::indexOfAny(const QVector<qint64>& sorted) const
{
    const auto firstFrom = [&](qint64 lo) { return std::lower_bound(sorted.cbegin(), sorted.cend(), lo); };
    const auto wanted = [&](qint64 id) { return std::binary_search(sorted.cbegin(), sorted.cend(), id); };
    for (int b = 0; b < m_blocks.size(); ++b) {
        const Block& block = m_blocks[b];
        const auto it = firstFrom(block.lo);
        if (it == sorted.cend() || *it > block.hi) continue;
        if (block.bytes == 0) return block.start + int(minus(*it, block.first));  // a run rises
        const QVector<qint64>& ids = decoded(b);
        for (int k = 0; k < ids.size(); ++k)
            if (wanted(ids[k])) return block.start + k;
    }
    const int tailStart = m_size - int(m_tail.size());
    for (int k = 0; k < m_tail.size(); ++k)
        if (wanted(m_tail[k])) return tailStart + k;
    return -1;
}

void RowIds::removeAt(int i)
{
    const int tailStart = m_size - int(m_tail.size());
    --m_size;
    if (i >= tailStart) {
        m_tail.removeAt(i - tailStart);
        return;
    }
    // Only the block that held it is coded anew (its old bytes stay unused); the later ones move up.
    const int b = blockAt(i);
    const Block old = m_blocks[b];
    const int k = i - old.start;
    QVector<Block> replacement;
    if (old.bytes == 0) {
        if (k > 0) {
            Block left = old;
            left.hi = old.first + k - 1;
            left.count = k;
            replacement.append(left);
        }
        if (k + 1 < old.count) {
            Block right;
            right.first = right.lo = old.first + k + 1;
            right.hi = old.hi;
            right.start = old.start + k;
            right.count = old.count - k - 1;
            replacement.append(right);
        }
    } else {
        QVector<qint64> ids = decoded(b);
        ids.removeAt(k);
        if (!ids.isEmpty()) {
            const int end = int(m_bytes.size());
            Block recoded = code(ids.constData(), int(ids.size()), old.start);
            // One id fewer almost always codes in no more bytes: written over the old ones, so that
            // deletions do not grow the buffer.
            if (recoded.bytes > 0 && recoded.bytes <= old.bytes) {
                std::memmove(m_bytes.data() + old.offset, m_bytes.constData() + end, recoded.bytes);
                recoded.offset = old.offset;
                m_bytes.truncate(end);
            }
            replacement.append(recoded);
        }
    }
    m_blocks.remove(b);
    for (int x = b; x < m_blocks.size(); ++x) --m_blocks[x].start;
    m_blocks.insert(b, replacement.size(), Block());
    std::copy(replacement.cbegin(), replacement.cend(), m_blocks.begin() + b);
    m_decodedBlock = -1;
    m_lastBlock = 0;
}

void RowIds::clear()
{
    m_blocks.clear();
    m_blocks.squeeze();
    m_bytes.clear();
    m_bytes.squeeze();
    m_tail.clear();
    m_size = 0;
    m_lastBlock = 0;
    m_decodedBlock = -1;
    m_decoded.clear();
}

qint64 RowIds::bytesUsed() const
{
    return qint64(m_blocks.capacity()) * qint64(sizeof(Block)) + m_bytes.capacity() +
           qint64(m_tail.capacity() + m_decoded.capacity()) * qint64(sizeof(qint64));
}

}  // namespace agency
