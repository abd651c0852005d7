// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Random contacts with every kind of text the fields can hold, and the reading
// of card files by Python's vobject, the outside reference.
#include "vcard/ContactFields.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QtTest>

namespace Cards {

// How many random contacts a run compares: QUILLARY_ROUNDTRIP_CARDS, else `fallback`.
inline int roundTripCount(int fallback) {
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("QUILLARY_ROUNDTRIP_CARDS", &ok);
    return ok && n > 0 ? n : fallback;
}

// Text from many scripts, characters beyond U+FFFF, combining marks, no-break
// and other blanks, and the characters cards escape. Breaks only where asked.
inline QString randomText(QRandomGenerator& r, int maxLength, bool breaks = false) {
    static const QList<QPair<char32_t, char32_t>> ranges = {
        {0x41, 0x7A},       {0x20, 0x7E},       {0xC0, 0x17F},      {0x391, 0x3C9},
        {0x410, 0x44F},     {0x5D0, 0x5EA},     {0x627, 0x64A},     {0x905, 0x939},
        {0xE01, 0xE2E},     {0x4E00, 0x9FA5},   {0xAC00, 0xD7A3},   {0x3041, 0x3096},
        {0x1F600, 0x1F64F}, {0x1D400, 0x1D7FF}, {0x20000, 0x2A6D6}, {0x300, 0x36F}};
    static const QString specials = QStringLiteral(";,\\:\"= \u00A0\u2003\u200B'");
    static const QStringList lineBreaks = {"\r\n", "\n", "\r\n", "\n", "\r"};
    const int length = int(r.bounded(maxLength + 1));
    QString out;
    const bool oneBreak = r.bounded(2) == 0; // all breaks alike, or mixed
    const QString usual = lineBreaks[r.bounded(2)];
    while (out.size() < length) {
        const quint32 pick = r.bounded(100);
        if (breaks && pick < 6) {
            out += oneBreak ? usual : lineBreaks[r.bounded(lineBreaks.size())];
        } else if (pick < 20) {
            out += specials[r.bounded(specials.size())];
        } else {
            const auto [low, high] = ranges[r.bounded(ranges.size())];
            const char32_t c = low + r.bounded(high - low + 1);
            out += QString::fromUcs4(&c, 1);
        }
    }
    if (r.bounded(4) == 0)
        out = QStringLiteral(" ") + out + QStringLiteral("\u00A0 ");
    return out;
}

// A contact with a name that is not blank (an unnamed card takes another
// value as its name when read) and some fields empty; now and then a note of
// the longest length a field holds.
inline ContactFields randomContact(QRandomGenerator& r, const QStringList& extraColumns = {}) {
    ContactFields f;
    for (int i = 0; i < ContactFields::Count; ++i) {
        const auto field = ContactFields::Field(i);
        if (field != ContactFields::Name && r.bounded(5) == 0)
            continue;
        const bool notes = field == ContactFields::Notes;
        f[field] = randomText(r, notes ? 300 : 40, notes);
    }
    QString& name = f[ContactFields::Name];
    qsizetype at = r.bounded(name.size() + 1);
    if (at > 0 && at < name.size() && name[at].isLowSurrogate())
        --at;
    name.insert(at, QStringLiteral("N\u0301"));
    if (r.bounded(40) == 0) {
        QString note = randomText(r, 400, true);
        while (note.size() < 65535)
            note += note;
        note.truncate(65535);
        if (note.back().isHighSurrogate())
            note.back() = u'x';
        f[ContactFields::Notes] = note;
    }
    for (const QString& column : extraColumns)
        if (r.bounded(2) == 0)
            f.extra.append({column, randomText(r, 30) + u'e'});
    return f;
}

// Each card of a file as Python's vobject reads it: property name (with its
// TYPE parameters, upper case, sorted) -> values; ADR as its seven parts, N as
// family and given name. An empty list when vobject cannot read the file.
inline QJsonArray vobjectRead(const QString& path) {
    static const char* script = R"(
import sys, json, vobject
cards = []
with open(sys.argv[1], encoding='utf-8', newline='') as f:
    for card in vobject.readComponents(f.read()):
        props = {}
        for line in card.getChildren():
            v = line.value
            if line.name == 'ADR':
                v = [v.box, v.extended, v.street, v.city, v.region, v.code, v.country]
            elif line.name == 'N':
                v = [v.family, v.given]
            elif line.name == 'ORG':
                v = v[0]
            types = sorted(t.upper() for t in line.params.get('TYPE', []))
            props.setdefault(';'.join([line.name] + types), []).append(v)
        cards.append(props)
print(json.dumps(cards))
)";
    QString python = QStandardPaths::findExecutable(QStringLiteral("python3"), {"/usr/bin"});
    if (python.isEmpty())
        python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    QProcess p;
    p.start(python, {QStringLiteral("-c"), QString::fromLatin1(script), path});
    if (!p.waitForFinished(120000) || p.exitCode() != 0) {
        qWarning() << "vobject:" << p.readAllStandardError().right(2000);
        return {};
    }
    return QJsonDocument::fromJson(p.readAllStandardOutput()).array();
}

// What vobject gives for a text: every line break a LF.
inline QString asReferenceReads(QString text) {
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
}

} // namespace Cards
