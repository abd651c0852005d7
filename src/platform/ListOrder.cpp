// SPDX-License-Identifier: GPL-3.0-or-later
#include "ListOrder.h"

#include <QString>
#include <vector>

namespace {
// The letters without their accents: "Émile" files under E, not after "Zoe".
QString baseLetters(QStringView s) {
    const QString d = s.toString().normalized(QString::NormalizationForm_D);
    QString out;
    out.reserve(d.size());
    for (QChar c : d)
        if (c.category() != QChar::Mark_NonSpacing)
            out += c;
    return out;
}

// Keys of the Latin letters up to U+024F, worked out once: most accented names
// need no normalization per entry.
const std::vector<std::string>& latinKeys() {
    static const std::vector<std::string> table = [] {
        std::vector<std::string> t(0x250);
        for (char16_t u = 0; u < 0x250; ++u) {
            const QChar c(u);
            t[u] = baseLetters(QStringView(&c, 1)).toCaseFolded().toStdString();
        }
        return t;
    }();
    return table;
}

inline unsigned char foldAscii(char16_t u) {
    return static_cast<unsigned char>(u >= 'A' && u <= 'Z' ? u + 32 : u);
}

int sign(int v) {
    return v < 0 ? -1 : (v > 0 ? 1 : 0);
}
} // namespace

namespace ListOrder {

bool appendKey(QStringView text, std::string& out) {
    const size_t start = out.size();
    bool ascii = true;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80) {
            out.push_back(static_cast<char>(foldAscii(u)));
        } else if (u < 0x250) {
            ascii = false;
            out += latinKeys()[u];
        } else {
            out.resize(start);
            out += baseLetters(text).toCaseFolded().toStdString();
            return false;
        }
    }
    return ascii;
}

int comparePrimary(QStringView text, std::string_view key) {
    size_t k = 0;
    // Compares the next key byte of the text with the key's; 0 goes on.
    auto step = [&](unsigned char b) {
        if (k == key.size())
            return 1;
        const unsigned char other = static_cast<unsigned char>(key[k++]);
        return b == other ? 0 : (b < other ? -1 : 1);
    };
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80) {
            if (const int r = step(foldAscii(u)))
                return r;
        } else if (u < 0x250) {
            for (char b : latinKeys()[u])
                if (const int r = step(static_cast<unsigned char>(b)))
                    return r;
        } else {
            std::string whole;
            appendKey(text, whole);
            return sign(std::string_view(whole).compare(key));
        }
    }
    return k == key.size() ? 0 : -1;
}

int compareTies(QStringView a, QStringView b) {
    if (const int accents = a.compare(b, Qt::CaseInsensitive))
        return sign(accents);
    return sign(a.compare(b, Qt::CaseSensitive));
}

int compare(QStringView a, QStringView b) {
    if (isAscii(a) && isAscii(b))
        return compareAscii(a, b);
    std::string key;
    appendKey(b, key);
    if (const int primary = comparePrimary(a, key))
        return primary;
    return compareTies(a, b);
}

int compareAscii(QStringView a, QStringView b) {
    const qsizetype n = std::min(a.size(), b.size());
    const char16_t* pa = reinterpret_cast<const char16_t*>(a.data());
    const char16_t* pb = reinterpret_cast<const char16_t*>(b.data());
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned char ca = foldAscii(pa[i]);
        const unsigned char cb = foldAscii(pb[i]);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return sign(a.compare(b, Qt::CaseSensitive));
}

bool isAscii(QStringView text) {
    for (QChar c : text)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

} // namespace ListOrder
