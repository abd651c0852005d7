// SPDX-License-Identifier: GPL-3.0-or-later
#include "AccessStream.h"

namespace AccessStream {
void putU32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out += char((v >> (8 * i)) & 0xff);
}

void putText(std::string& out, const std::string& text) {
    putU32(out, std::uint32_t(text.size()));
    out += text;
}

bool Cursor::u8(char& v) {
    if (size_ - at_ < 1)
        return false;
    v = data_[at_++];
    return true;
}

bool Cursor::u32(std::uint32_t& v) {
    if (size_ - at_ < 4)
        return false;
    v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(data_[at_ + std::size_t(i)]);
    at_ += 4;
    return true;
}

bool Cursor::text(std::string& v) {
    std::uint32_t n = 0;
    if (!u32(n) || size_ - at_ < n)
        return false;
    v.assign(data_ + at_, n);
    at_ += n;
    return true;
}
} // namespace AccessStream
