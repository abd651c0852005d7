// SPDX-License-Identifier: GPL-3.0-or-later
#include "SortedStringModel.h"

#include "ListOrder.h"

#include <algorithm>
#include <cstring>

namespace {
struct Keyed {
    quint64 high; // the key's first sixteen bytes, big-endian: most comparisons end here
    quint64 low;
    quint32 offset;
    quint32 length;
    quint32 id; // entries added earlier have smaller ids
};

quint64 bytesAt(const std::string& arena, size_t offset, size_t length, size_t from) {
    quint64 v = 0;
    for (size_t b = from; b < from + 8; ++b)
        v = (v << 8) | (b < length ? static_cast<unsigned char>(arena[offset + b]) : 0u);
    return v;
}

int compareKeys(const std::string& arena, const Keyed& a, const Keyed& b) {
    if (a.high != b.high)
        return a.high < b.high ? -1 : 1;
    if (a.low != b.low)
        return a.low < b.low ? -1 : 1;
    const quint32 n = std::min(a.length, b.length);
    if (n > 16) {
        const int c =
            std::memcmp(arena.data() + a.offset + 16, arena.data() + b.offset + 16, n - 16);
        if (c != 0)
            return c;
    }
    return a.length == b.length ? 0 : (a.length < b.length ? -1 : 1);
}
// The key byte at depth, 0 past the key's end (shorter keys sort first).
inline unsigned byteAt(const std::string& arena, const Keyed& k, size_t depth) {
    if (depth >= k.length)
        return 0;
    if (depth < 8)
        return static_cast<unsigned>((k.high >> (56 - 8 * depth)) & 0xff) + 1;
    if (depth < 16)
        return static_cast<unsigned>((k.low >> (56 - 8 * (depth - 8))) & 0xff) + 1;
    return static_cast<unsigned char>(arena[k.offset + depth]) + 1u;
}

// Most-significant-byte radix sort of keyed[lo, hi) on key bytes from depth on.
template <class Less>
void radixSort(std::vector<Keyed>& keyed, std::vector<Keyed>& scratch, size_t lo, size_t hi,
               size_t depth, const std::string& arena, const Less& less) {
    if (hi - lo < 2048 || depth > 64) {
        std::sort(keyed.begin() + static_cast<std::ptrdiff_t>(lo),
                  keyed.begin() + static_cast<std::ptrdiff_t>(hi), less);
        return;
    }
    size_t counts[258] = {};
    for (size_t i = lo; i < hi; ++i)
        ++counts[byteAt(arena, keyed[i], depth) + 1];
    for (size_t b = 1; b < 258; ++b)
        counts[b] += counts[b - 1];
    size_t starts[257];
    std::copy(counts, counts + 257, starts);
    for (size_t i = lo; i < hi; ++i)
        scratch[lo + counts[byteAt(arena, keyed[i], depth)]++] = keyed[i];
    std::copy(scratch.begin() + static_cast<std::ptrdiff_t>(lo),
              scratch.begin() + static_cast<std::ptrdiff_t>(hi),
              keyed.begin() + static_cast<std::ptrdiff_t>(lo));
    // Bucket 0 holds keys that ended here: all equal, already in the order added.
    for (size_t b = 1; b < 257; ++b) {
        const size_t from = lo + starts[b];
        const size_t to = lo + counts[b];
        if (to - from > 1)
            radixSort(keyed, scratch, from, to, depth + 1, arena, less);
    }
}
} // namespace

bool SortedStringModel::lessThan(QStringView a, QStringView b) {
    return ListOrder::compare(a, b) < 0;
}

char16_t* SortedStringModel::reserveText(size_t more) {
    if (textSize_ + more > textCapacity_) {
        const size_t capacity = std::max({textCapacity_ * 2, textSize_ + more, size_t(4096)});
        std::unique_ptr<char16_t[]> grown(new char16_t[capacity]);
        if (textSize_)
            std::memcpy(grown.get(), text_.get(), textSize_ * sizeof(char16_t));
        text_ = std::move(grown);
        textCapacity_ = capacity;
    }
    return text_.get() + textSize_;
}

void SortedStringModel::add(const QString& entry) {
    if (!entry.isEmpty())
        std::memcpy(reserveText(static_cast<size_t>(entry.size())), entry.utf16(),
                    static_cast<size_t>(entry.size()) * sizeof(char16_t));
    added(static_cast<size_t>(entry.size()), ListOrder::isAscii(entry));
}

void SortedStringModel::addUtf8(QByteArrayView entry) {
    // UTF-8 never takes fewer bytes than UTF-16 takes code units.
    char16_t* out = reserveText(static_cast<size_t>(entry.size()));
    const char* in = entry.data();
    const qsizetype n = entry.size();
    qsizetype i = 0;
    for (; i < n && !(in[i] & 0x80); ++i)
        out[i] = static_cast<char16_t>(in[i]);
    if (i == n) {
        added(static_cast<size_t>(n), true);
        return;
    }
    QChar* start = reinterpret_cast<QChar*>(out);
    const QChar* end = utf8_.appendToBuffer(start, entry);
    added(static_cast<size_t>(end - start), false);
}

// Records the entry just written at the end of the text buffer and notes
// whether it came in list order.
void SortedStringModel::added(size_t length, bool ascii) {
    const quint32 id = static_cast<quint32>(entries_.size());
    entries_.push_back({static_cast<quint32>(textSize_), static_cast<quint32>(length)});
    textSize_ += length;
    if (lastInOrder_ >= 0) {
        const QStringView text = viewOf(id);
        const QStringView last = viewOf(static_cast<quint32>(lastInOrder_));
        int c;
        if (ascii && lastAscii_) {
            c = ListOrder::compareAscii(text, last);
        } else {
            if (!lastKeyMade_)
                ListOrder::appendKey(last, lastKey_);
            lastKeyMade_ = true;
            c = ListOrder::comparePrimary(text, lastKey_);
            if (c == 0)
                c = ListOrder::compareTies(text, last);
        }
        if (c < 0) {
            outOfOrder_.push_back(id);
            return;
        }
    }
    lastInOrder_ = id;
    lastAscii_ = ascii;
    lastKey_.clear();
    lastKeyMade_ = false;
}

void SortedStringModel::forgetPending() {
    outOfOrder_.clear();
    lastInOrder_ = -1;
    lastKey_.clear();
    lastKeyMade_ = false;
}

void SortedStringModel::clear() {
    // The buffers keep their room: a list is mostly cleared to be filled again.
    beginResetModel();
    textSize_ = 0;
    entries_.clear();
    sorted_.clear();
    forgetPending();
    endResetModel();
}

QStringView SortedStringModel::viewOf(quint32 id) const {
    return QStringView(text_.get() + entries_[id].start,
                       static_cast<qsizetype>(entries_[id].length));
}

QString SortedStringModel::textOf(quint32 id) const {
    return viewOf(id).toString();
}

// The pending entries in list order. Those that came in order stay as they
// are; the others are sorted by keys made once per entry and merged in.
std::vector<quint32> SortedStringModel::sortedPending() {
    const quint32 first = static_cast<quint32>(sorted_.size());
    const quint32 end = static_cast<quint32>(entries_.size());
    std::vector<quint32> ids;
    ids.reserve(end - first);
    if (outOfOrder_.empty()) {
        for (quint32 id = first; id < end; ++id)
            ids.push_back(id);
        return ids;
    }
    const size_t n = outOfOrder_.size();
    std::string arena;
    arena.reserve(n * 16);
    std::vector<Keyed> keyed(n);
    for (size_t i = 0; i < n; ++i) {
        const quint32 id = outOfOrder_[i];
        const size_t offset = arena.size();
        ListOrder::appendKey(viewOf(id), arena);
        const size_t length = arena.size() - offset;
        keyed[i] = {bytesAt(arena, offset, length, 0), bytesAt(arena, offset, length, 8),
                    static_cast<quint32>(offset), static_cast<quint32>(length), id};
    }
    auto less = [&](const Keyed& a, const Keyed& b) {
        const int c = compareKeys(arena, a, b);
        return c != 0 ? c < 0 : a.id < b.id;
    };
    auto tieLess = [&](const Keyed& a, const Keyed& b) {
        const int c = ListOrder::compareTies(viewOf(a.id), viewOf(b.id));
        return c != 0 ? c < 0 : a.id < b.id;
    };
    // Keys are spread by their bytes (a stable radix sort, so equal keys stay in
    // the order added); small groups are finished by comparison.
    std::vector<Keyed> scratch(n);
    radixSort(keyed, scratch, 0, n, 0, arena, less);
    // Equal letters: accents, then case decide. Runs of one and the same text
    // (the usual duplicates) are already in order.
    for (size_t i = 0; i < n;) {
        size_t j = i + 1;
        bool differ = false;
        while (j < n && compareKeys(arena, keyed[i], keyed[j]) == 0)
            differ |= viewOf(keyed[j++].id) != viewOf(keyed[i].id);
        if (differ)
            std::sort(keyed.begin() + static_cast<std::ptrdiff_t>(i),
                      keyed.begin() + static_cast<std::ptrdiff_t>(j), tieLess);
        i = j;
    }
    // Merge: an out-of-order entry goes before the first in-order entry after it.
    auto goesBefore = [&](const Keyed& k, quint32 id) {
        const QStringView text = viewOf(id);
        int c =
            -ListOrder::comparePrimary(text, std::string_view(arena.data() + k.offset, k.length));
        if (c == 0)
            c = ListOrder::compareTies(viewOf(k.id), text);
        return c != 0 ? c < 0 : k.id < id;
    };
    size_t next = 0;
    size_t skip = 0;
    for (quint32 id = first; id < end; ++id) {
        if (skip < n && outOfOrder_[skip] == id) {
            ++skip;
            continue;
        }
        while (next < n && goesBefore(keyed[next], id))
            ids.push_back(keyed[next++].id);
        ids.push_back(id);
    }
    while (next < n)
        ids.push_back(keyed[next++].id);
    return ids;
}

int SortedStringModel::flush(int keepRow) {
    if (!hasPending())
        return keepRow;
    std::vector<quint32> pending = sortedPending();
    forgetPending();
    beginResetModel();
    if (sorted_.empty()) {
        sorted_.swap(pending);
    } else {
        std::vector<quint32> merged;
        merged.reserve(sorted_.size() + pending.size());
        size_t i = 0;
        size_t j = 0;
        int kept = -1;
        while (i < sorted_.size() || j < pending.size()) {
            // Existing entries go before equal new ones, as a list box inserts.
            const bool takeOld =
                j == pending.size() ||
                (i < sorted_.size() && !lessThan(viewOf(pending[j]), viewOf(sorted_[i])));
            if (takeOld) {
                if (static_cast<int>(i) == keepRow)
                    kept = static_cast<int>(merged.size());
                merged.push_back(sorted_[i++]);
            } else {
                merged.push_back(pending[j++]);
            }
        }
        sorted_.swap(merged);
        keepRow = kept;
    }
    endResetModel();
    return keepRow;
}

int SortedStringModel::count() {
    flush();
    return static_cast<int>(sorted_.size());
}

QString SortedStringModel::entry(int row) {
    flush();
    return row >= 0 && row < static_cast<int>(sorted_.size()) ? textOf(sorted_[row]) : QString();
}

int SortedStringModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(sorted_.size());
}

QVariant SortedStringModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(sorted_.size()))
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return textOf(sorted_[index.row()]);
    return {};
}
