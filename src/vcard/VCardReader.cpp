// SPDX-License-Identifier: GPL-3.0-or-later
#include "vcard/VCardReader.h"

#include <QFile>
#include <QStringDecoder>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

// A line as found in the file, without its line break.
struct LineRef {
    qsizetype start = 0;
    qsizetype length = 0;
};

struct Param {
    QByteArray name;  // upper case; empty for a bare 2.1 parameter
    QByteArray value; // quotes removed
};

struct Property {
    QByteArray name;     // upper case, without its group prefix
    QByteArrayView head; // group, name and parameters as written
    QList<Param> params;
    QByteArrayView value;
};

enum class Version { V21, V30 };

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

QByteArrayView trimmed(QByteArrayView v) {
    qsizetype b = 0;
    qsizetype e = v.size();
    while (b < e && isBlank(v[b]))
        ++b;
    while (e > b && isBlank(v[e - 1]))
        --e;
    return v.sliced(b, e - b);
}

bool equalsNoCase(QByteArrayView a, QByteArrayView b) {
    return a.size() == b.size() && a.compare(b, Qt::CaseInsensitive) == 0;
}

bool startsWithNoCase(QByteArrayView a, QByteArrayView prefix) {
    return a.size() >= prefix.size() && equalsNoCase(a.first(prefix.size()), prefix);
}

bool isBegin(QByteArrayView line) {
    return equalsNoCase(trimmed(line), "BEGIN:VCARD");
}
bool isEnd(QByteArrayView line) {
    return equalsNoCase(trimmed(line), "END:VCARD");
}

// Splits the text into lines. CRLF, LF, a lone CR and CR CR LF all end a line.
std::vector<LineRef> splitLines(const QByteArray& text) {
    std::vector<LineRef> lines;
    const qsizetype n = text.size();
    const char* d = text.constData();
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < n) {
        const char c = d[i];
        if (c != '\r' && c != '\n') {
            ++i;
            continue;
        }
        lines.push_back({start, i - start});
        if (c == '\r') {
            if (i + 1 < n && d[i + 1] == '\n')
                i += 2;
            else if (i + 2 < n && d[i + 1] == '\r' && d[i + 2] == '\n')
                i += 3;
            else
                i += 1;
        } else {
            i += 1;
        }
        start = i;
    }
    if (start < n)
        lines.push_back({start, n - start});
    return lines;
}

// Position of the ':' that ends a property's name and parameters, or -1.
qsizetype findValueColon(QByteArrayView line, bool honourQuotes) {
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"' && honourQuotes)
            quoted = !quoted;
        else if (c == ':' && !quoted)
            return i;
    }
    return -1;
}

bool headMentionsQuotedPrintable(QByteArrayView line) {
    const QByteArrayView marker("QUOTED-PRINTABLE");
    for (qsizetype i = 0; i + marker.size() <= line.size(); ++i) {
        const char c = line[i];
        if (c == ':')
            return false;
        if ((c == 'Q' || c == 'q') && equalsNoCase(line.sliced(i, marker.size()), marker))
            return true;
    }
    return false;
}

// The properties the address book uses; all others are skipped unread.
bool isWanted(QByteArrayView name) {
    static constexpr const char* wanted[] = {"FN",
                                             "N",
                                             "ORG",
                                             "EMAIL",
                                             "ADR",
                                             "TEL",
                                             "KIND",
                                             "X-ADDRESSBOOKSERVER-KIND",
                                             "X-EVOLUTION-LIST"};
    for (const char* w : wanted) {
        if (equalsNoCase(name, w))
            return true;
    }
    return equalsNoCase(name, "NOTE") || equalsNoCase(name, "UID") ||
           startsWithNoCase(name, VCardReader::extraPrefix);
}

// A property's text once folded lines are joined. Most lines are not folded, so
// a line only gets its own buffer when a continuation is added to it.
class LogicalLine {
public:
    LogicalLine(QByteArrayView line, qsizetype start, qsizetype end)
        : m_view(line), m_start(start), m_end(end) {}

    QByteArrayView text() const { return m_joined ? QByteArrayView(m_buffer) : m_view; }
    // Where its lines stand in the text read.
    qsizetype start() const { return m_start; }
    qsizetype end() const { return m_end; }
    void extendTo(qsizetype end) { m_end = end; }

    void append(QByteArrayView part) {
        if (!m_joined) {
            m_buffer = m_view.toByteArray();
            m_joined = true;
        }
        const qsizetype room = VCardReader::MaxLineLength - m_buffer.size();
        if (room > 0)
            m_buffer.append(part.first(std::min(room, part.size())));
    }

    void chop() {
        if (m_joined)
            m_buffer.chop(1);
        else
            m_view.chop(1);
    }

private:
    QByteArrayView m_view;
    QByteArray m_buffer;
    qsizetype m_start = 0;
    qsizetype m_end = 0;
    bool m_joined = false;
};

// An AGENT property whose card follows on the next lines (vCard 2.1).
bool isEmptyAgent(QByteArrayView line) {
    qsizetype colon = findValueColon(line, false);
    if (colon < 0)
        return false;
    QByteArrayView head = line.first(colon);
    qsizetype end = head.indexOf(';');
    QByteArrayView name = trimmed(end < 0 ? head : head.first(end));
    qsizetype dot = name.lastIndexOf('.');
    if (dot >= 0)
        name = name.sliced(dot + 1);
    return equalsNoCase(name, "AGENT") && trimmed(line.sliced(colon + 1)).isEmpty();
}

bool parseProperty(QByteArrayView line, Property& prop) {
    // The name comes first and cannot hold quotes; skip unwanted properties early.
    qsizetype nameEnd = 0;
    while (nameEnd < line.size() && line[nameEnd] != ';' && line[nameEnd] != ':')
        ++nameEnd;
    if (nameEnd == line.size())
        return false;
    QByteArrayView name = trimmed(line.first(nameEnd));
    const qsizetype dot = name.lastIndexOf('.');
    if (dot >= 0)
        name = name.sliced(dot + 1);
    if (!isWanted(name))
        return false;
    prop.name = name.toByteArray().toUpper();

    qsizetype colon = findValueColon(line, true);
    if (colon < 0)
        colon = findValueColon(line, false);
    if (colon < 0)
        return false;
    const QByteArrayView head = line.first(colon);
    prop.head = head;
    prop.value = line.sliced(colon + 1);
    prop.params.clear();

    // Parameters are separated by ';' outside quotes.
    std::vector<QByteArrayView> parts;
    bool quoted = false;
    qsizetype partStart = 0;
    for (qsizetype i = 0; i <= head.size(); ++i) {
        if (i < head.size() && head[i] == '"') {
            quoted = !quoted;
        } else if (i == head.size() || (head[i] == ';' && !quoted)) {
            parts.push_back(head.sliced(partStart, i - partStart));
            partStart = i + 1;
        }
    }
    for (size_t p = 1; p < parts.size(); ++p) {
        QByteArrayView part = trimmed(parts[p]);
        if (part.isEmpty())
            continue;
        Param param;
        const qsizetype eq = part.indexOf('=');
        QByteArrayView value = part;
        if (eq >= 0) {
            param.name = trimmed(part.first(eq)).toByteArray().toUpper();
            value = part.sliced(eq + 1);
        }
        param.value = trimmed(value).toByteArray();
        param.value.replace("\"", "");
        prop.params.push_back(param);
    }
    return true;
}

// Strict check: no overlong forms, surrogates or code points above U+10FFFF.
bool isUtf8(QByteArrayView bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int extra = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            if (c == 0xE0)
                low = 0xA0;
            else if (c == 0xED)
                high = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            if (c == 0xF0)
                low = 0x90;
            else if (c == 0xF4)
                high = 0x8F;
        } else {
            return false;
        }
        if (i + extra >= n)
            return false;
        if (p[i + 1] < low || p[i + 1] > high)
            return false;
        for (int k = 2; k <= extra; ++k) {
            if (p[i + k] < 0x80 || p[i + k] > 0xBF)
                return false;
        }
        i += extra + 1;
    }
    return true;
}

QString decodeBytes(QByteArrayView bytes, const QByteArray& charset) {
    const QByteArray cs = charset.toUpper();
    if (cs.isEmpty() || cs == "UTF-8" || cs == "UTF8" || cs == "US-ASCII" || cs == "ASCII") {
        if (isUtf8(bytes))
            return QString::fromUtf8(bytes);
        return VCardReader::decodeWindows1252(bytes);
    }
    if (cs == "WINDOWS-1252" || cs == "CP1252" || cs == "ISO-8859-1" || cs == "LATIN1" ||
        cs == "ISO8859-1")
        return VCardReader::decodeWindows1252(bytes);
    QStringDecoder decoder(cs.constData());
    if (decoder.isValid())
        return decoder.decode(bytes);
    if (isUtf8(bytes))
        return QString::fromUtf8(bytes);
    return VCardReader::decodeWindows1252(bytes);
}

QString unescape(const QString& text, Version version) {
    if (!text.contains(u'\\'))
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\\' || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const QChar next = text[i + 1];
        if (next == u';' || next == u',' || next == u'\\' || next == u':') {
            out += next;
            ++i;
        } else if ((next == u'n' || next == u'N') && version == Version::V30) {
            out += u'\n';
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

// Reading of one property's value as text: transfer encoding, then character
// set, then backslash escapes.
class ValueDecoder {
public:
    ValueDecoder(const Property& prop, Version version) : m_version(version) {
        for (const Param& p : prop.params) {
            if (p.name == VCardReader::breaksParameter)
                m_breaks = p.value.split(',');
            else if (p.name == "CHARSET")
                m_charset = p.value;
            else if ((p.name == "ENCODING" || p.name.isEmpty()) &&
                     p.value.compare("QUOTED-PRINTABLE", Qt::CaseInsensitive) == 0)
                m_quotedPrintable = true;
        }
    }

    QString text(QByteArrayView raw) const {
        m_breakIndex = 0;
        return part(raw);
    }

    // Splits a structured value on ';' that are not escaped, then decodes each part.
    QStringList components(QByteArrayView raw) const {
        m_breakIndex = 0;
        QStringList out;
        qsizetype start = 0;
        for (qsizetype i = 0; i < raw.size(); ++i) {
            if (raw[i] == '\\') {
                ++i;
            } else if (raw[i] == ';') {
                out.push_back(part(raw.sliced(start, i - start)));
                start = i + 1;
            }
        }
        out.push_back(part(raw.sliced(start)));
        return out;
    }

private:
    QString part(QByteArrayView raw) const {
        QString out =
            m_quotedPrintable
                ? unescape(decodeBytes(VCardReader::decodeQuotedPrintable(raw), m_charset),
                           m_version)
                : unescape(decodeBytes(raw, m_charset), m_version);
        return m_breaks.isEmpty() ? out : withBreaks(out);
    }
    // Each line break as the breaks parameter names it: one kind for all, or
    // one kind for each break in turn.
    QString withBreaks(const QString& text) const {
        if (!text.contains(u'\n'))
            return text;
        QString out;
        out.reserve(text.size() + text.size() / 8);
        for (const QChar c : text) {
            if (c != u'\n') {
                out += c;
                continue;
            }
            const QByteArray kind =
                m_breaks.size() == 1 ? m_breaks[0] : m_breaks.value(m_breakIndex).toUpper();
            ++m_breakIndex;
            if (kind.compare("CRLF", Qt::CaseInsensitive) == 0)
                out += QStringLiteral("\r\n");
            else if (kind.compare("CR", Qt::CaseInsensitive) == 0)
                out += u'\r';
            else
                out += u'\n';
        }
        return out;
    }

    Version m_version;
    QByteArray m_charset;
    QList<QByteArray> m_breaks;
    mutable qsizetype m_breakIndex = 0;
    bool m_quotedPrintable = false;
};

// The kinds a property is marked with: TYPE=a,b, repeated TYPE, bare 2.1 words.
QList<QByteArray> typesOf(const Property& prop) {
    QList<QByteArray> types;
    for (const Param& p : prop.params) {
        if (p.name == "TYPE" || p.name.isEmpty()) {
            for (const QByteArray& t : p.value.split(','))
                types.push_back(t.trimmed().toUpper());
        } else if (p.name == "PREF") {
            types.push_back("PREF");
        }
    }
    return types;
}

QString component(const QStringList& parts, qsizetype index) {
    return index < parts.size() ? parts[index] : QString();
}

QString withoutNul(QString text) {
    text.remove(QChar(u'\0'));
    return text;
}

// Builds the card's values from its lines (nested cards already removed).
// The rest of a street after its first line break; empty when it has none.
QString afterFirstLine(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r')
            return text.mid(i + (i + 1 < text.size() && text[i + 1] == u'\n' ? 2 : 1));
        if (text[i] == u'\n')
            return text.mid(i + 1);
    }
    return {};
}

QString percentDecoded(const QByteArray& text) {
    return QString::fromUtf8(QByteArray::fromPercentEncoding(text));
}

// Builds the card's values from its lines (nested cards already removed);
// `cardStart` is where the card begins in `text`.
ContactCard buildCard(const QByteArray& text, const std::vector<LineRef>& lines,
                      VCardReader::AddressChoice choice, qsizetype cardStart) {
    ContactCard card;
    // The version decides how folded lines join; it may come anywhere in the card.
    Version version = Version::V30;
    for (const LineRef& l : lines) {
        QByteArrayView line(text.constData() + l.start, l.length);
        if (startsWithNoCase(line, "VERSION:")) {
            const QByteArrayView number = trimmed(line.sliced(8));
            if (number.startsWith("2.1") || number.startsWith("1.0")) {
                version = Version::V21;
                card.version = ContactCard::Version::V21;
            } else if (number.startsWith("4.")) {
                card.version = ContactCard::Version::V40;
            }
            break;
        }
    }

    // Join folded lines and quoted-printable soft line breaks into logical lines.
    std::vector<LogicalLine> logical;
    logical.reserve(lines.size());
    bool quotedPrintable = false;
    for (const LineRef& l : lines) {
        QByteArrayView line(text.constData() + l.start,
                            std::min(l.length, VCardReader::MaxLineLength));
        if (!logical.empty() && quotedPrintable && logical.back().text().endsWith('=')) {
            logical.back().chop();
            logical.back().append(line);
            logical.back().extendTo(l.start + l.length);
            continue;
        }
        if (!logical.empty() && !line.isEmpty() && isBlank(line[0])) {
            logical.back().append(version == Version::V21 ? line : line.sliced(1));
            logical.back().extendTo(l.start + l.length);
            continue;
        }
        if (trimmed(line).isEmpty()) {
            quotedPrintable = false;
            continue;
        }
        logical.emplace_back(line, l.start, l.start + l.length);
        quotedPrintable = headMentionsQuotedPrintable(line);
    }

    ContactFields& fields = card.fields;
    bool haveFn = false, haveN = false, haveOrg = false, haveEmail = false, havePhone = false;
    bool haveAdr = false;
    int adrRank = 0;
    QString nameFallback, org;
    QStringList address;
    Property prop;
    using S = ContactCard::SourceOf;
    const auto source = [&](const LogicalLine& line, QStringList parts = {}) {
        return ContactCard::Source{line.start() - cardStart, line.end() - cardStart,
                                   prop.head.toByteArray(), std::move(parts)};
    };
    const auto take = [&](S which, const LogicalLine& line, QStringList parts = {}) {
        card.sources[size_t(which)] = source(line, std::move(parts));
    };
    const auto has = [&](S which) { return card.sources[size_t(which)].found(); };
    const auto set = [&](ContactFields::Field f, const QString& value) {
        fields[f] = withoutNul(value);
    };
    for (const LogicalLine& line : logical) {
        if (!parseProperty(line.text(), prop))
            continue;
        const ValueDecoder decode(prop, version);
        const QByteArray& name = prop.name;
        if (name == "FN") {
            if (!haveFn) {
                card.fn = withoutNul(decode.text(prop.value));
                haveFn = !card.fn.trimmed().isEmpty();
                take(S::FnLine, line);
            }
        } else if (name == "N") {
            if (!haveN) {
                const QStringList parts = decode.components(prop.value);
                nameFallback =
                    withoutNul(component(parts, 1).trimmed() + u' ' + component(parts, 0).trimmed())
                        .trimmed();
                haveN = !nameFallback.isEmpty();
                take(S::NLine, line, parts);
            }
        } else if (name == "ORG") {
            if (!haveOrg) {
                const QStringList parts = decode.components(prop.value);
                org = withoutNul(component(parts, 0)).trimmed();
                haveOrg = !org.isEmpty();
                if (haveOrg || !has(S::OrgLine)) {
                    set(ContactFields::Company, component(parts, 0));
                    take(S::OrgLine, line, parts);
                }
            }
        } else if (name == "EMAIL") {
            QString email = withoutNul(decode.text(prop.value));
            if (email.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive))
                email = email.mid(7);
            if (!haveEmail) {
                card.email = email.trimmed();
                haveEmail = !card.email.isEmpty();
            }
            if (!has(S::EmailLine) || fields[ContactFields::Email].isEmpty()) {
                fields[ContactFields::Email] = email;
                take(S::EmailLine, line);
            }
        } else if (name == "ADR") {
            const QList<QByteArray> types = typesOf(prop);
            const int rank = choice == VCardReader::AddressChoice::Preferred
                                 ? int(types.contains("PREF"))
                                 : int(types.contains("HOME"));
            if (!haveAdr || rank > adrRank) {
                address = decode.components(prop.value);
                haveAdr = true;
                adrRank = rank;
                take(S::AdrLine, line, address);
            }
        } else if (name == "TEL") {
            const QList<QByteArray> types = typesOf(prop);
            QString phone = withoutNul(decode.text(prop.value));
            if (phone.startsWith(QLatin1String("tel:"), Qt::CaseInsensitive))
                phone = phone.mid(4);
            const bool voice =
                !types.contains("FAX") && !types.contains("CELL") && !types.contains("PAGER");
            if (!havePhone && types.contains("HOME") && voice) {
                card.homePhone = phone.trimmed();
                havePhone = !card.homePhone.isEmpty();
            }
            // Each number gives one field: the first home, work and fax number.
            if (phone.isEmpty())
                continue;
            if (types.contains("HOME") && voice && !has(S::PhoneLine)) {
                set(ContactFields::Phone, phone);
                take(S::PhoneLine, line);
            } else if (types.contains("WORK") && voice && !has(S::CoPhoneLine)) {
                set(ContactFields::CoPhone, phone);
                take(S::CoPhoneLine, line);
            } else if (types.contains("FAX") && !has(S::FaxLine)) {
                set(ContactFields::Fax, phone);
                take(S::FaxLine, line);
            }
        } else if (name == "NOTE") {
            if (!has(S::NoteLine)) {
                set(ContactFields::Notes, decode.text(prop.value));
                take(S::NoteLine, line);
            }
        } else if (name == "UID") {
            if (!has(S::UidLine)) {
                card.uid = withoutNul(decode.text(prop.value)).trimmed();
                take(S::UidLine, line);
            }
        } else if (name.startsWith(VCardReader::extraPrefix)) {
            // The column's name: as its parameter spells it, else as the
            // property's name does.
            QString column;
            for (const Param& p : prop.params) {
                if (p.name == VCardReader::columnParameter)
                    column = percentDecoded(p.value);
            }
            if (column.isEmpty()) {
                QByteArrayView written = prop.head.first(
                    prop.head.indexOf(';') < 0 ? prop.head.size() : prop.head.indexOf(';'));
                written = trimmed(written);
                written = written.sliced(written.lastIndexOf('.') + 1);
                column = QString::fromUtf8(written.sliced(qstrlen(VCardReader::extraPrefix)));
            }
            const bool known =
                std::any_of(fields.extra.cbegin(), fields.extra.cend(), [&column](const auto& e) {
                    return e.first.compare(column, Qt::CaseInsensitive) == 0;
                });
            if (!column.isEmpty() && !known) {
                fields.extra.append({column, withoutNul(decode.text(prop.value))});
                card.extraSources.append(source(line));
            }
        } else if (name == "KIND" || name == "X-ADDRESSBOOKSERVER-KIND") {
            if (trimmed(prop.value).compare("group", Qt::CaseInsensitive) == 0)
                card.isGroup = true;
        } else if (name == "X-EVOLUTION-LIST") {
            if (trimmed(prop.value).compare("true", Qt::CaseInsensitive) == 0)
                card.isGroup = true;
        }
    }

    const QString wholeStreet = withoutNul(component(address, 2));
    card.street = VCardReader::firstLine(wholeStreet);
    card.city = withoutNul(component(address, 3));
    card.region = withoutNul(component(address, 4));
    card.postalCode = withoutNul(component(address, 5));
    fields[ContactFields::Address] = card.street;
    fields[ContactFields::Address2] = afterFirstLine(wholeStreet);
    fields[ContactFields::City] = card.city;
    fields[ContactFields::State] = card.region;
    fields[ContactFields::Zip] = card.postalCode;

    QString lastLine = card.city.trimmed();
    const QString region = card.region.trimmed();
    const QString postal = card.postalCode.trimmed();
    if (!region.isEmpty())
        lastLine = lastLine.isEmpty() ? region : lastLine + QStringLiteral(", ") + region;
    if (!postal.isEmpty())
        lastLine = lastLine.isEmpty() ? postal : lastLine + u' ' + postal;
    const QString street = card.street.trimmed();
    if (lastLine.isEmpty())
        card.mailingAddress = street;
    else
        card.mailingAddress = street + QStringLiteral("\r\n") + lastLine;

    if (haveFn)
        card.displayValue = card.fn;
    else if (haveN)
        card.displayValue = nameFallback;
    else if (haveOrg)
        card.displayValue = org;
    else
        card.displayValue = card.email;
    fields[ContactFields::Name] = card.displayValue;
    return card;
}

// The 1252 code page differs from Latin-1 only in 0x80..0x9F.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

QString VCardReader::decodeWindows1252(QByteArrayView bytes) {
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* d = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        d[i] = (b >= 0x80 && b < 0xA0) ? QChar(kWindows1252High[b - 0x80]) : QChar(b);
    }
    return out;
}

QByteArray VCardReader::decodeQuotedPrintable(QByteArrayView bytes) {
    QByteArray out;
    out.reserve(bytes.size());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = bytes[i];
        if (c != '=') {
            out += c;
            continue;
        }
        if (i + 2 < n && hexValue(bytes[i + 1]) >= 0 && hexValue(bytes[i + 2]) >= 0) {
            out += char(hexValue(bytes[i + 1]) * 16 + hexValue(bytes[i + 2]));
            i += 2;
        } else if (i + 1 == n) {
            // a soft line break at the very end of the value
        } else {
            out += c;
        }
    }
    return out;
}

namespace {

char upperAscii(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

// Whether "BEGIN:VCARD" (any letter case) stands at `pos`, one character every
// `step` bytes, each character at byte `lane` of its unit and the other bytes NUL.
bool beginMarkerAt(QByteArrayView data, qsizetype pos, int step, int lane) {
    static constexpr char marker[] = "BEGIN:VCARD";
    constexpr qsizetype length = sizeof(marker) - 1;
    if (pos + length * step > data.size())
        return false;
    for (qsizetype i = 0; i < length; ++i) {
        const qsizetype unit = pos + i * step;
        for (int b = 0; b < step; ++b) {
            const char c = data[unit + b];
            if (b != lane ? c != '\0' : upperAscii(c) != marker[i])
                return false;
        }
    }
    return true;
}

enum class Structure { Unknown, EightBit, Utf16LE, Utf16BE };

// A vCard file opens with BEGIN:VCARD, so the first such marker tells how its
// characters are stored; only files without one are left to statistics.
Structure structureOf(QByteArrayView data) {
    const qsizetype limit = std::min<qsizetype>(data.size(), 64 * 1024);
    for (qsizetype pos = 0; pos < limit; ++pos) {
        if (beginMarkerAt(data, pos, 1, 0))
            return Structure::EightBit;
        if (pos % 2 == 0 && beginMarkerAt(data, pos, 2, 0))
            return Structure::Utf16LE;
        if (pos % 2 == 0 && beginMarkerAt(data, pos, 2, 1))
            return Structure::Utf16BE;
    }
    return Structure::Unknown;
}

} // namespace

QByteArray VCardReader::normalizeEncoding(const QByteArray& data) {
    if (data.startsWith("\xEF\xBB\xBF"))
        return data.mid(3);

    std::optional<QStringDecoder::Encoding> utf16;
    qsizetype skip = 0;
    if (data.startsWith("\xFF\xFE")) {
        utf16 = QStringDecoder::Utf16LE;
        skip = 2;
    } else if (data.startsWith("\xFE\xFF")) {
        utf16 = QStringDecoder::Utf16BE;
        skip = 2;
    } else if (const Structure structure = structureOf(data); structure != Structure::Unknown) {
        if (structure == Structure::Utf16LE)
            utf16 = QStringDecoder::Utf16LE;
        else if (structure == Structure::Utf16BE)
            utf16 = QStringDecoder::Utf16BE;
    } else if (data.size() >= 4) {
        // No card marker near the start: UTF-16 shows as NUL bytes in every
        // other position.
        const qsizetype sample = std::min<qsizetype>(data.size() & ~qsizetype(1), 4096);
        qsizetype evenNul = 0, oddNul = 0;
        for (qsizetype i = 0; i < sample; i += 2) {
            evenNul += data[i] == '\0';
            oddNul += data[i + 1] == '\0';
        }
        const qsizetype pairs = sample / 2;
        if (oddNul * 10 >= pairs * 7 && evenNul * 10 < pairs)
            utf16 = QStringDecoder::Utf16LE;
        else if (evenNul * 10 >= pairs * 7 && oddNul * 10 < pairs)
            utf16 = QStringDecoder::Utf16BE;
    }
    if (!utf16)
        return data;
    QStringDecoder decoder(*utf16, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(QByteArrayView(data).sliced(skip));
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text.toUtf8();
}

QString VCardReader::firstLine(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' || text[i] == u'\n')
            return text.left(i);
    }
    return text;
}

QList<ContactCard> VCardReader::readFile(const QString& path) {
    // Opened without waiting, so a pipe with no writer cannot hold the window;
    // then only a regular file of a sane size is read. A device or pipe would
    // never end.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {};
    struct stat info {};
    QFile file;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > MaxFileSize ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {};
    }
    // Read in pieces: asking for the limit at once would set aside 256 MB for
    // every file. A file still growing is read up to the limit only.
    QByteArray data;
    data.reserve(qsizetype(info.st_size));
    char piece[64 * 1024];
    for (qint64 n; (n = file.read(piece, sizeof piece)) > 0;) {
        data.append(piece, qsizetype(n));
        if (data.size() > MaxFileSize)
            return {};
    }
    return readData(data);
}

QList<ContactCard> VCardReader::readData(const QByteArray& data, AddressChoice choice) {
    const QByteArray text = normalizeEncoding(data);
    const std::vector<LineRef> lines = splitLines(text);

    QList<ContactCard> cards;
    std::vector<LineRef> cardLines;
    bool inCard = false;
    int nestedDepth = 0;          // depth inside AGENT's embedded cards
    bool afterEmptyAgent = false; // the last property was "AGENT:" with the card to follow
    qsizetype cardStart = 0;      // where the open card's BEGIN line starts
    qsizetype cardEnd = 0;        // past the open card's last line so far

    auto finishCard = [&]() {
        cards.push_back(buildCard(text, cardLines, choice, cardStart));
        cards.back().text = text.sliced(cardStart, cardEnd - cardStart);
        cardLines.clear();
        inCard = false;
        nestedDepth = 0;
        afterEmptyAgent = false;
    };

    for (const LineRef& l : lines) {
        QByteArrayView line(text.constData() + l.start, std::min(l.length, MaxLineLength));
        if (!inCard) {
            if (isBegin(line)) {
                inCard = true;
                cardStart = l.start;
                cardEnd = l.start + l.length;
            }
            continue;
        }
        if (isBegin(line) && !afterEmptyAgent) {
            // A card begins without an AGENT before it: whatever is still open
            // never ended. Keep the outer card and start the next.
            finishCard();
            inCard = true;
            cardStart = l.start;
            cardEnd = l.start + l.length;
            continue;
        }
        cardEnd = l.start + l.length;
        if (isBegin(line)) {
            ++nestedDepth;
            afterEmptyAgent = false;
            continue;
        }
        if (isEnd(line)) {
            afterEmptyAgent = false;
            if (nestedDepth > 0)
                --nestedDepth;
            else
                finishCard();
            continue;
        }
        if (!line.isEmpty() && !isBlank(line[0]))
            afterEmptyAgent = isEmptyAgent(line);
        if (nestedDepth == 0)
            cardLines.push_back(l);
    }
    if (inCard)
        finishCard();
    return cards;
}
