#include "SortedStringModel.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {
// The letters without their accents: "Émile" files under E, not after "Zoe".
QString baseLetters(const QString& s) {
    const QString d = s.normalized(QString::NormalizationForm_D);
    QString out;
    out.reserve(d.size());
    for (QChar c : d)
        if (c.category() != QChar::Mark_NonSpacing)
            out += c;
    return out;
}

// Appends the primary sort key of a text (letters folded, accents dropped) as
// bytes that compare in list order; returns whether the text was plain ASCII.
// Keys of the Latin letters up to U+024F, worked out once: most accented names
// need no normalization per entry.
const std::vector<std::string>& latinKeys() {
    static const std::vector<std::string> table = [] {
        std::vector<std::string> t(0x250);
        for (char16_t u = 0; u < 0x250; ++u)
            t[u] = baseLetters(QString(QChar(u))).toCaseFolded().toStdString();
        return t;
    }();
    return table;
}

bool appendKey(const char16_t* s, qsizetype length, std::string& out) {
    const size_t start = out.size();
    bool ascii = true;
    for (qsizetype i = 0; i < length; ++i) {
        const char16_t u = s[i];
        if (u >= 0x80 && u < 0x250) {
            ascii = false;
            out += latinKeys()[u];
            continue;
        }
        if (u >= 0x80) {
            out.resize(start);
            const QString text(reinterpret_cast<const QChar*>(s), length);
            out += baseLetters(text).toCaseFolded().toStdString();
            return false;
        }
        out.push_back(static_cast<char>(u >= 'A' && u <= 'Z' ? u + 32 : u));
    }
    return ascii;
}

struct Keyed {
    quint64 high; // the key's first sixteen bytes, big-endian: most comparisons end here
    quint64 low;
    quint32 offset;
    quint32 length;
    quint32 id; // entries added earlier have smaller ids
    bool ascii;
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

bool SortedStringModel::lessThan(const QString& a, const QString& b) {
    std::string ka;
    std::string kb;
    appendKey(reinterpret_cast<const char16_t*>(a.utf16()), a.size(), ka);
    appendKey(reinterpret_cast<const char16_t*>(b.utf16()), b.size(), kb);
    if (ka != kb)
        return ka < kb;
    // An accent only decides between otherwise equal names.
    return a.compare(b, Qt::CaseInsensitive) < 0;
}

void SortedStringModel::add(const QString& entry) {
    starts_.push_back(static_cast<quint32>(text_.size()));
    lengths_.push_back(static_cast<quint32>(entry.size()));
    const char16_t* chars = reinterpret_cast<const char16_t*>(entry.utf16());
    text_.insert(text_.end(), chars, chars + entry.size());
}

void SortedStringModel::addUtf8(QByteArrayView entry) {
    const size_t start = text_.size();
    text_.resize(start + static_cast<size_t>(utf8_.requiredSpace(entry.size())));
    QChar* out = reinterpret_cast<QChar*>(text_.data() + start);
    QChar* end = utf8_.appendToBuffer(out, entry);
    text_.resize(start + static_cast<size_t>(end - out));
    starts_.push_back(static_cast<quint32>(start));
    lengths_.push_back(static_cast<quint32>(end - out));
}

void SortedStringModel::clear() {
    beginResetModel();
    text_.clear();
    text_.shrink_to_fit();
    starts_.clear();
    starts_.shrink_to_fit();
    lengths_.clear();
    lengths_.shrink_to_fit();
    sorted_.clear();
    sorted_.shrink_to_fit();
    endResetModel();
}

QStringView SortedStringModel::viewOf(quint32 id) const {
    return QStringView(text_.data() + starts_[id], static_cast<qsizetype>(lengths_[id]));
}

QString SortedStringModel::textOf(quint32 id) const {
    return QString(reinterpret_cast<const QChar*>(text_.data() + starts_[id]),
                   static_cast<qsizetype>(lengths_[id]));
}

// The pending entries in list order, sorted by keys made once per entry.
std::vector<quint32> SortedStringModel::sortedPending() {
    const size_t first = sorted_.size();
    const size_t n = starts_.size() - first;
    std::string arena;
    arena.reserve(n * 16);
    std::vector<Keyed> keyed(n);
    for (size_t i = 0; i < n; ++i) {
        const quint32 id = static_cast<quint32>(first + i);
        const size_t offset = arena.size();
        const bool ascii = appendKey(text_.data() + starts_[id], lengths_[id], arena);
        const size_t length = arena.size() - offset;
        keyed[i] = {bytesAt(arena, offset, length, 0),
                    bytesAt(arena, offset, length, 8),
                    static_cast<quint32>(offset),
                    static_cast<quint32>(length),
                    id,
                    ascii};
    }
    auto less = [&](const Keyed& a, const Keyed& b) {
        const int c = compareKeys(arena, a, b);
        return c != 0 ? c < 0 : a.id < b.id;
    };
    auto accentLess = [&](const Keyed& a, const Keyed& b) {
        const int s = viewOf(a.id).compare(viewOf(b.id), Qt::CaseInsensitive);
        return s != 0 ? s < 0 : a.id < b.id;
    };
    // Keys are spread by their bytes (a stable radix sort, so equal keys stay in
    // the order added); small groups are finished by comparison.
    std::vector<Keyed> scratch(n);
    radixSort(keyed, scratch, 0, n, 0, arena, less);
    // Equal letters, different accents: the accents decide.
    for (size_t i = 0; i < n;) {
        size_t j = i + 1;
        bool accented = !keyed[i].ascii;
        while (j < n && compareKeys(arena, keyed[i], keyed[j]) == 0)
            accented |= !keyed[j++].ascii;
        // Runs of one and the same text (the usual duplicates) are already in order.
        bool differ = false;
        for (size_t k = i + 1; accented && k < j && !differ; ++k)
            differ = viewOf(keyed[k].id) != viewOf(keyed[i].id);
        if (differ)
            std::sort(keyed.begin() + static_cast<std::ptrdiff_t>(i),
                      keyed.begin() + static_cast<std::ptrdiff_t>(j), accentLess);
        i = j;
    }
    std::vector<quint32> ids;
    ids.reserve(n);
    for (const Keyed& k : keyed)
        ids.push_back(k.id);
    return ids;
}

int SortedStringModel::flush(int keepRow) {
    if (!hasPending())
        return keepRow;
    std::vector<quint32> pending = sortedPending();
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
                (i < sorted_.size() && !lessThan(textOf(pending[j]), textOf(sorted_[i])));
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
