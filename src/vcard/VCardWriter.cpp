// SPDX-License-Identifier: GPL-3.0-or-later
#include "vcard/VCardWriter.h"

#include <QUrl>
#include <QUuid>

#include <algorithm>
#include <vector>

namespace {

using F = ContactFields;
using S = ContactCard::SourceOf;
using Version = ContactCard::Version;

// Text as a property value: escaped, line breaks as "\n", their kinds
// remembered across the parts of one value.
class TextEncoder {
public:
    explicit TextEncoder(Version version = Version::V30) : m_v21(version == Version::V21) {}

    void add(QByteArray& out, const QString& text) {
        bool plain = true;
        for (const QChar c : text) {
            const char16_t u = c.unicode();
            if (u == u'\\' || u == u';' || u == u',' || u == u'\r' || u == u'\n') {
                plain = false;
                break;
            }
        }
        if (plain) {
            out += text.toUtf8();
            return;
        }
        QString escaped;
        escaped.reserve(text.size() + 16);
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text[i];
            if (c == u'\\' || c == u';' || (c == u',' && !m_v21)) {
                escaped += u'\\';
                escaped += c;
            } else if (m_v21 && (c == u'\r' || c == u'\n')) {
                escaped += c; // quoted-printable carries the break itself
            } else if (c == u'\r') {
                const bool crlf = i + 1 < text.size() && text[i + 1] == u'\n';
                m_breaks.push_back(crlf ? "CRLF" : "CR");
                i += crlf ? 1 : 0;
                escaped += QStringLiteral("\\n");
            } else if (c == u'\n') {
                m_breaks.push_back("LF");
                escaped += QStringLiteral("\\n");
            } else {
                escaped += c;
            }
        }
        out += escaped.toUtf8();
    }

    // The breaks parameter, or nothing when every break is LF.
    QByteArray breaksParameter() const {
        const bool allLf = std::all_of(m_breaks.begin(), m_breaks.end(),
                                       [](const char* k) { return qstrcmp(k, "LF") == 0; });
        if (allLf)
            return {};
        const bool alike = std::all_of(m_breaks.begin(), m_breaks.end(),
                                       [&](const char* k) { return qstrcmp(k, m_breaks[0]) == 0; });
        QByteArray out = QByteArray(";") + VCardReader::breaksParameter + '=';
        for (size_t i = 0; i < (alike ? 1 : m_breaks.size()); ++i)
            out += QByteArray(i ? "," : "") + m_breaks[i];
        return out;
    }

private:
    std::vector<const char*> m_breaks;
    bool m_v21;
};

// "Mary Ann Smith" -> family "Smith", given "Mary Ann". A no-break space
// joins, so it never splits.
QStringList nameParts(const QString& name) {
    const QString n = name.trimmed();
    const qsizetype blank = std::max(n.lastIndexOf(u' '), n.lastIndexOf(u'\t'));
    if (blank < 0)
        return {n, QString()};
    return {n.mid(blank + 1), n.left(blank)};
}

QString street(const ContactFields& f) {
    return f[F::Address2].isEmpty() ? f[F::Address] : f[F::Address] + u'\n' + f[F::Address2];
}

bool isNameChar(QChar c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') ||
           c == u'-';
}

// The head of a further column's property.
QByteArray extraHead(const QString& column) {
    QByteArray head = VCardReader::extraPrefix;
    bool spelled = !column.isEmpty();
    for (const QChar c : column) {
        head += isNameChar(c) ? char(c.unicode()) : '-';
        spelled = spelled && isNameChar(c);
    }
    if (!spelled)
        head +=
            QByteArray(";") + VCardReader::columnParameter + '=' + QUrl::toPercentEncoding(column);
    return head;
}

// One property: head, ":" and the parts joined by ';'.
void appendProperty(QByteArray& out, QByteArrayView head, const QStringList& parts) {
    TextEncoder encoder;
    QByteArray value;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i)
            value += ';';
        encoder.add(value, parts[i]);
    }
    QByteArray line;
    line.reserve(head.size() + value.size() + 24);
    line += head;
    line += encoder.breaksParameter();
    line += ':';
    line += value;
    VCardWriter::appendFolded(out, line);
}

void appendText(QByteArray& out, QByteArrayView head, const QString& text) {
    if (!text.isEmpty())
        appendProperty(out, head, {text});
}

// ---- Rewriting a kept card ----

QByteArray paramName(QByteArrayView param) {
    const qsizetype eq = param.indexOf('=');
    return (eq < 0 ? param : param.first(eq)).trimmed().toByteArray().toUpper();
}

// A head without the parameters that say how the old value was encoded.
QByteArray headWithoutEncoding(const QByteArray& head) {
    QList<QByteArray> parts;
    bool quoted = false;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= head.size(); ++i) {
        if (i < head.size() && head[i] == '"') {
            quoted = !quoted;
        } else if (i == head.size() || (head[i] == ';' && !quoted)) {
            parts << head.sliced(start, i - start);
            start = i + 1;
        }
    }
    QByteArray out = parts.value(0);
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QByteArray name = paramName(parts[i]);
        const QByteArray value = parts[i].mid(parts[i].indexOf('=') + 1).trimmed().toUpper();
        if (name == "CHARSET" || name == VCardReader::breaksParameter ||
            name == "QUOTED-PRINTABLE" || (name == "ENCODING" && value == "QUOTED-PRINTABLE"))
            continue;
        out += ';' + parts[i];
    }
    return out;
}

QByteArray quotedPrintable(const QByteArray& bytes) {
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out;
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b >= 33 && b <= 126 && b != '=') {
            out += ch;
        } else if (b == ' ') {
            out += ch;
        } else {
            out += '=';
            out += hex[b >> 4];
            out += hex[b & 15];
        }
    }
    return out;
}

// A property in the card's own version: 2.1 takes quoted-printable for line
// breaks and long values, and names its character set.
QByteArray propertyIn(Version version, const QByteArray& head, const QStringList& parts) {
    QByteArray out;
    if (version != Version::V21) {
        appendProperty(out, head, parts);
        return out;
    }
    TextEncoder encoder(Version::V21);
    QByteArray value;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i)
            value += ';';
        encoder.add(value, parts[i]);
    }
    QByteArray line = head;
    const bool ascii = std::all_of(value.cbegin(), value.cend(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!ascii)
        line += ";CHARSET=UTF-8";
    const bool qp = value.contains('\r') || value.contains('\n') ||
                    line.size() + 1 + value.size() > 75 || value.endsWith(' ');
    if (!qp) {
        out += line + ':' + value + "\r\n";
        return out;
    }
    line += ";ENCODING=QUOTED-PRINTABLE:";
    const QByteArray encoded = quotedPrintable(value);
    // Soft line breaks ("=" at the end) keep lines short, never inside "=XX".
    qsizetype room = std::max<qsizetype>(75 - line.size(), 8);
    for (qsizetype i = 0; i < encoded.size();) {
        qsizetype take = std::min(room - 1, encoded.size() - i);
        if (i + take < encoded.size()) {
            for (qsizetype back = 1; back <= 2 && take > back; ++back) {
                if (encoded[i + take - back] == '=') {
                    take -= back;
                    break;
                }
            }
        }
        line += encoded.sliced(i, take);
        i += take;
        if (i < encoded.size())
            line += "=\r\n";
        room = 75;
    }
    out += line + "\r\n";
    return out;
}

QByteArray newHead(Version version, const char* v21, const char* v30, const char* v40) {
    return version == Version::V21 ? v21 : version == Version::V40 ? v40 : v30;
}

bool startsNoCase(QByteArrayView text, QByteArrayView prefix) {
    return text.size() >= prefix.size() &&
           text.first(prefix.size()).compare(prefix, Qt::CaseInsensitive) == 0;
}

struct Edit {
    qsizetype start;
    qsizetype end;
    QByteArray lines;
};

class CardEdits {
public:
    CardEdits(const ContactCard& card) : m_card(card) {}

    // Replaces the property (or adds it when the card has none); no parts
    // with text remove it.
    // keepEmpty: the property is required, so it stays even without text.
    void put(const ContactCard::Source& source, const QByteArray& headForNew,
             const QStringList& parts, bool keepEmpty = false) {
        const bool empty = !keepEmpty && std::all_of(parts.cbegin(), parts.cend(),
                                                     [](const QString& p) { return p.isEmpty(); });
        if (source.found()) {
            m_edits.push_back(
                {source.start, source.end,
                 empty ? QByteArray()
                       : propertyIn(m_card.version, headWithoutEncoding(source.head), parts)});
        } else if (!empty) {
            m_added += propertyIn(m_card.version, headForNew, parts);
        }
    }

    QByteArray result() const {
        QByteArray out;
        const QByteArray& text = m_card.text;
        out.reserve(text.size() + m_added.size() + 64);
        // Added properties go after BEGIN (and VERSION right after it), so
        // they belong to the card itself, never to a card nested in it.
        int number = 0;
        bool added = m_added.isEmpty();
        qsizetype i = 0;
        while (i < text.size()) {
            qsizetype e = i;
            while (e < text.size() && text[e] != '\r' && text[e] != '\n')
                ++e;
            const QByteArrayView line = QByteArrayView(text).sliced(i, e - i);
            const qsizetype start = i;
            if (e < text.size())
                e += (text[e] == '\r' && e + 1 < text.size() && text[e + 1] == '\n') ? 2 : 1;
            i = e;
            if (++number == 2 && !added && !startsNoCase(line.trimmed(), "VERSION:")) {
                out += m_added;
                added = true;
            }
            const auto edit = std::find_if(m_edits.begin(), m_edits.end(), [start](const Edit& x) {
                return start >= x.start && start < x.end;
            });
            if (edit != m_edits.end()) {
                if (start == edit->start)
                    out += edit->lines;
                continue;
            }
            out += line;
            out += "\r\n";
            if (number == 2 && !added) {
                out += m_added;
                added = true;
            }
        }
        if (!added)
            out += m_added;
        const QByteArrayView last = QByteArrayView(out).chopped(2);
        if (!startsNoCase(last.sliced(last.lastIndexOf('\n') + 1).trimmed(), "END:VCARD"))
            out += "END:VCARD\r\n";
        return out;
    }

private:
    const ContactCard& m_card;
    std::vector<Edit> m_edits;
    QByteArray m_added;
};

QStringList withPart(QStringList parts, qsizetype index, const QString& value, qsizetype size) {
    while (parts.size() < size)
        parts << QString();
    parts[index] = value;
    return parts;
}

} // namespace

namespace VCardWriter {

void appendFolded(QByteArray& out, QByteArrayView line) {
    constexpr qsizetype limit = 75;
    if (line.size() <= limit) {
        out += line;
        out += "\r\n";
        return;
    }
    qsizetype i = 0;
    bool first = true;
    while (i < line.size()) {
        const qsizetype room = first ? limit : limit - 1;
        qsizetype take = std::min(room, line.size() - i);
        // Never between the bytes of one character.
        while (take > 0 && i + take < line.size() &&
               (static_cast<unsigned char>(line[i + take]) & 0xC0) == 0x80)
            --take;
        if (!first)
            out += ' ';
        out += line.sliced(i, take);
        out += "\r\n";
        i += take;
        first = false;
    }
}

QString newUid() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

QByteArray card(const ContactFields& f, const QString& uid) {
    QByteArray out;
    out.reserve(256 + f[F::Notes].size());
    out += "BEGIN:VCARD\r\nVERSION:3.0\r\n";
    appendProperty(out, "UID", {uid});
    appendProperty(out, "FN", {f[F::Name]});
    const QStringList n = nameParts(f[F::Name]);
    appendProperty(out, "N", {n[0], n[1], QString(), QString(), QString()});
    appendText(out, "ORG", f[F::Company]);
    const QString s = street(f);
    if (!s.isEmpty() || !f[F::City].isEmpty() || !f[F::State].isEmpty() || !f[F::Zip].isEmpty())
        appendProperty(out, "ADR;TYPE=HOME",
                       {QString(), QString(), s, f[F::City], f[F::State], f[F::Zip], QString()});
    appendText(out, "TEL;TYPE=HOME,VOICE", f[F::Phone]);
    appendText(out, "TEL;TYPE=WORK,VOICE", f[F::CoPhone]);
    appendText(out, "TEL;TYPE=FAX", f[F::Fax]);
    appendText(out, "EMAIL;TYPE=INTERNET", f[F::Email]);
    appendText(out, "NOTE", f[F::Notes]);
    for (const auto& [column, value] : f.extra)
        appendText(out, extraHead(column), value);
    out += "END:VCARD\r\n";
    return out;
}

QByteArray merged(const QByteArray& original, VCardReader::AddressChoice choice,
                  const ContactFields& now, const QString& uid) {
    const QList<ContactCard> cards = VCardReader::readData(original, choice);
    if (cards.isEmpty())
        return card(now, uid);
    const ContactCard& c = cards.first();
    const ContactFields& was = c.fields;
    const Version v = c.version;
    const auto& src = c.sources;
    CardEdits edits(c);
    const auto changed = [&](F::Field f) { return now[f] != was[f]; };

    if (!src[S::UidLine].found() || c.uid != uid)
        edits.put(src[S::UidLine], "UID", {uid});
    // A card without a name of its own is listed by its ORG or EMAIL: when
    // those change, it gets the contact's name, so the name stays.
    const bool nameLent = c.fn.trimmed().isEmpty() && !now[F::Name].isEmpty() &&
                          !src[S::NLine].found() && (changed(F::Company) || changed(F::Email));
    if (changed(F::Name) || nameLent) {
        edits.put(src[S::FnLine], "FN", {now[F::Name]}, true);
        const QStringList n = nameParts(now[F::Name]);
        QStringList parts = withPart(src[S::NLine].parts, 0, n[0], 5);
        parts[1] = n[1];
        edits.put(src[S::NLine], "N", parts, true);
    }
    if (changed(F::Company))
        edits.put(src[S::OrgLine], "ORG", withPart(src[S::OrgLine].parts, 0, now[F::Company], 1));
    if (changed(F::Address) || changed(F::Address2) || changed(F::City) || changed(F::State) ||
        changed(F::Zip)) {
        QStringList parts = withPart(src[S::AdrLine].parts, 2, street(now), 7);
        parts[3] = now[F::City];
        parts[4] = now[F::State];
        parts[5] = now[F::Zip];
        edits.put(src[S::AdrLine], newHead(v, "ADR;HOME", "ADR;TYPE=HOME", "ADR;TYPE=home"), parts);
    }
    const struct {
        F::Field field;
        S line;
        const char* v21;
        const char* v30;
        const char* v40;
    } simple[] = {
        {F::Phone, S::PhoneLine, "TEL;HOME;VOICE", "TEL;TYPE=HOME,VOICE", "TEL;TYPE=home,voice"},
        {F::CoPhone, S::CoPhoneLine, "TEL;WORK;VOICE", "TEL;TYPE=WORK,VOICE",
         "TEL;TYPE=work,voice"},
        {F::Fax, S::FaxLine, "TEL;FAX", "TEL;TYPE=FAX", "TEL;TYPE=fax"},
        {F::Email, S::EmailLine, "EMAIL;INTERNET", "EMAIL;TYPE=INTERNET", "EMAIL"},
        {F::Notes, S::NoteLine, "NOTE", "NOTE", "NOTE"},
    };
    for (const auto& p : simple) {
        if (changed(p.field))
            edits.put(src[p.line], newHead(v, p.v21, p.v30, p.v40), {now[p.field]});
    }
    for (const auto& [column, value] : now.extra) {
        const auto same = [&column](const auto& e) {
            return e.first.compare(column, Qt::CaseInsensitive) == 0;
        };
        const auto it = std::find_if(was.extra.cbegin(), was.extra.cend(), same);
        if (it == was.extra.cend())
            edits.put({}, extraHead(column), {value});
        else if (it->second != value)
            edits.put(c.extraSources[it - was.extra.cbegin()], {}, {value});
    }
    return edits.result();
}

} // namespace VCardWriter
