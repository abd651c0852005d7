// SPDX-License-Identifier: GPL-3.0-or-later
#include "AccessHeader.h"

#include <QFile>
#include <array>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {
// The header from offset 0x18 on is scrambled with RC4 under this fixed key.
constexpr int scrambledAt = 0x18;
constexpr int scrambledLength = 126;
constexpr std::array<unsigned char, 4> headerKey = {0xc7, 0xda, 0x39, 0x6b};
constexpr int versionAt = 0x14;
constexpr int encodingKeyAt = 0x3e;
constexpr int passwordAt = 0x42;
constexpr int creationDateAt = 0x72;

QByteArray unscrambled(const QByteArray& start) {
    std::array<unsigned char, 256> s;
    for (int i = 0; i < 256; ++i)
        s[size_t(i)] = static_cast<unsigned char>(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[size_t(i)] + headerKey[size_t(i) % headerKey.size()]) & 0xff;
        std::swap(s[size_t(i)], s[size_t(j)]);
    }
    QByteArray out = start.left(scrambledAt + scrambledLength);
    for (int n = 0, i = 0, j = 0; n < scrambledLength; ++n) {
        i = (i + 1) & 0xff;
        j = (j + s[size_t(i)]) & 0xff;
        std::swap(s[size_t(i)], s[size_t(j)]);
        out[scrambledAt + n] = char(out[scrambledAt + n] ^ s[(s[size_t(i)] + s[size_t(j)]) & 0xff]);
    }
    return out;
}

quint32 u32(const QByteArray& b, int at) {
    quint32 v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return v;
}
} // namespace

AccessHeader AccessHeader::parse(const QByteArray& start) {
    AccessHeader h;
    if (start.size() < size || u32(start, 0) != 0x100)
        return h;
    const QByteArray signature = start.mid(4, 16);
    const bool jet = signature == QByteArray("Standard Jet DB\0", 16);
    const bool ace = signature == QByteArray("Standard ACE DB\0", 16);
    if (!jet && !ace)
        return h;
    const quint32 version = u32(start, versionAt);
    h.format = ace || version >= 2 ? Format::Ace : version == 1 ? Format::Jet4 : Format::Jet3;

    const QByteArray clear = unscrambled(start);
    h.encrypted = u32(clear, encodingKeyAt) != 0;
    if (h.format == Format::Jet3) {
        // Twenty 8-bit characters, unmasked.
        QByteArray text = clear.mid(passwordAt, 20);
        const int end = text.indexOf('\0');
        h.password = QString::fromLatin1(end < 0 ? text : text.left(end));
    } else {
        // Twenty UTF-16 characters, each 32-bit group masked with the whole days
        // of the file's creation date.
        double created = 0;
        std::memcpy(&created, clear.constData() + creationDateAt, sizeof created);
        const quint32 mask = created >= 0 && created < 4e9 ? static_cast<quint32>(created) : 0;
        QString text;
        for (int i = 0; i < 40; i += 2) {
            const int group = i / 4 * 4;
            const int shift = (i - group) * 8;
            const quint16 c = quint16(((u32(clear, passwordAt + group) ^ mask) >> shift) & 0xffff);
            if (c == 0)
                break;
            text.append(QChar(c));
        }
        h.password = text;
    }
    // An ACE file with a password is an encrypted one.
    if (h.format == Format::Ace && !h.password.isEmpty())
        h.encrypted = true;
    return h;
}

AccessHeader AccessHeader::of(const QString& path) {
    // Only a regular file has a header; opening a FIFO for reading would wait
    // for a writer.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return {};
    struct stat st {};
    QFile file;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {};
    }
    return parse(file.read(size));
}
