// SPDX-License-Identifier: GPL-3.0-or-later
#include "AccessText.h"

namespace {
void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xc0 | (c >> 6));
        out += char(0x80 | (c & 0x3f));
    } else if (c < 0x10000) {
        out += char(0xe0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3f));
        out += char(0x80 | (c & 0x3f));
    } else {
        out += char(0xf0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3f));
        out += char(0x80 | ((c >> 6) & 0x3f));
        out += char(0x80 | (c & 0x3f));
    }
}

// Pairs UTF-16 code units into characters as they arrive.
class Utf16Sink {
public:
    explicit Utf16Sink(std::string& out) : out_(out) {}
    ~Utf16Sink() { flush(); }
    void put(char16_t u) {
        if (u >= 0xdc00 && u <= 0xdfff && high_) {
            appendUtf8(out_, 0x10000 + ((char32_t(high_) - 0xd800) << 10) + (u - 0xdc00));
            high_ = 0;
            return;
        }
        flush();
        if (u >= 0xd800 && u <= 0xdbff)
            high_ = u;
        else
            appendUtf8(out_, u >= 0xdc00 && u <= 0xdfff ? 0xfffd : u);
    }

private:
    void flush() {
        if (high_)
            appendUtf8(out_, 0xfffd);
        high_ = 0;
    }
    std::string& out_;
    char16_t high_ = 0;
};

// Windows-1252 at 0x80..0x9f; the five unassigned codes keep their C1 values.
constexpr char16_t cp1252High[32] = {
    0x20ac, 0x0081, 0x201a, 0x0192, 0x201e, 0x2026, 0x2020, 0x2021, 0x02c6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008d, 0x017d, 0x008f, 0x0090, 0x2018, 0x2019, 0x201c, 0x201d, 0x2022,
    0x2013, 0x2014, 0x02dc, 0x2122, 0x0161, 0x203a, 0x0153, 0x009d, 0x017e, 0x0178};
} // namespace

namespace AccessText {
std::string fromJet4(const unsigned char* data, std::size_t size) {
    std::string out;
    out.reserve(size);
    {
        Utf16Sink sink(out);
        if (size >= 2 && data[0] == 0xff && data[1] == 0xfe) {
            // Every zero byte ends a segment and switches the mode.
            bool compressed = true;
            std::size_t begin = 2;
            for (std::size_t i = 2; i <= size; ++i) {
                if (i < size && data[i] != 0)
                    continue;
                if (compressed)
                    for (std::size_t k = begin; k < i; ++k)
                        sink.put(data[k]);
                else
                    for (std::size_t k = begin; k + 1 < i; k += 2)
                        sink.put(char16_t(data[k] | (data[k + 1] << 8)));
                compressed = !compressed;
                begin = i + 1;
            }
        } else {
            for (std::size_t i = 0; i + 1 < size; i += 2)
                sink.put(char16_t(data[i] | (data[i + 1] << 8)));
        }
    }
    return out;
}

std::string fromJet3(const unsigned char* data, std::size_t size) {
    std::string out;
    out.reserve(size);
    for (std::size_t i = 0; i < size; ++i) {
        const unsigned char c = data[i];
        appendUtf8(out, c >= 0x80 && c < 0xa0 ? cp1252High[c - 0x80] : c);
    }
    return out;
}
} // namespace AccessText
