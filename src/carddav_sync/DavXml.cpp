// SPDX-License-Identifier: GPL-3.0-or-later
#include "DavXml.h"

#include "DavError.h"

#include <QXmlStreamReader>

namespace DavXml {

QString key(const char* ns, const char* local) {
    return QLatin1String(ns) + QLatin1Char('|') + QLatin1String(local);
}

bool Response::has(const char* ns, const char* local) const {
    return found.contains(key(ns, local));
}

const Property* Response::property(const char* ns, const char* local) const {
    const auto it = found.constFind(key(ns, local));
    return it == found.constEnd() ? nullptr : &*it;
}

int statusOf(const QString& line) {
    // "HTTP/1.1 200 OK"
    const QStringList parts = line.trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return parts.size() >= 2 ? parts.at(1).toInt() : 0;
}

QString escaped(const QString& text) {
    return text.toHtmlEscaped();
}

namespace {
// Deeper answers are not written by any server; a nesting this deep is hostile.
constexpr int MaxDepth = 64;

[[noreturn]] void refuse(const QString& why) {
    throw DavError(DavError::Kind::BadAnswer,
                   QStringLiteral("The server's answer could not be read: %1.").arg(why));
}

class Reader {
public:
    explicit Reader(const QByteArray& body) : xml_(body) {}

    MultiStatus read() {
        MultiStatus result;
        bool sawRoot = false;
        while (next()) {
            if (xml_.isStartElement()) {
                if (!is(dav, "multistatus"))
                    refuse(QStringLiteral("it is not a multi-status"));
                sawRoot = true;
                readMultiStatus(result);
            }
        }
        if (!sawRoot)
            refuse(QStringLiteral("it is empty"));
        return result;
    }

private:
    // Advances one token; refuses declarations and ill-formed text.
    bool next() {
        if (xml_.atEnd())
            return false;
        xml_.readNext();
        if (xml_.tokenType() == QXmlStreamReader::DTD)
            refuse(QStringLiteral("it declares a document type or entities"));
        if (xml_.tokenType() == QXmlStreamReader::EntityReference)
            refuse(QStringLiteral("it refers to an entity"));
        if (xml_.hasError()) {
            if (xml_.error() == QXmlStreamReader::PrematureEndOfDocumentError)
                refuse(QStringLiteral("it ends early"));
            refuse(QStringLiteral("%1 at line %2").arg(xml_.errorString()).arg(xml_.lineNumber()));
        }
        if (xml_.isStartElement() && ++depth_ > MaxDepth)
            refuse(QStringLiteral("it nests too deeply"));
        if (xml_.isEndElement())
            --depth_;
        return !xml_.atEnd() || xml_.tokenType() != QXmlStreamReader::Invalid;
    }
    bool is(const char* ns, const char* local) const {
        return xml_.namespaceUri() == QLatin1String(ns) && xml_.name() == QLatin1String(local);
    }
    QString name() const {
        return xml_.namespaceUri().toString() + QLatin1Char('|') + xml_.name().toString();
    }

    // Text of the current element, its children's included; ends on its end.
    QString text() {
        QString out;
        const int level = depth_;
        while (next()) {
            if (xml_.isCharacters())
                out += xml_.text();
            else if (xml_.isEndElement() && depth_ < level)
                break;
        }
        return out;
    }
    void skip() { (void)text(); }

    // Calls onChild at the start of each child of the current element; ends on
    // the element's end. onChild reads the child whole.
    template <class OnChild> void eachChild(OnChild onChild) {
        const int level = depth_;
        while (next()) {
            if (xml_.isEndElement() && depth_ < level)
                return;
            if (xml_.isStartElement())
                onChild();
        }
    }

    void readMultiStatus(MultiStatus& result) {
        eachChild([&] {
            if (is(dav, "response"))
                result.responses.append(readResponse());
            else if (is(dav, "sync-token"))
                result.syncToken = text().trimmed();
            else
                skip();
        });
    }

    Response readResponse() {
        Response r;
        eachChild([&] {
            if (is(dav, "href") && r.href.isEmpty())
                r.href = text().trimmed();
            else if (is(dav, "status"))
                r.status = statusOf(text());
            else if (is(dav, "propstat"))
                readPropStat(r);
            else
                skip();
        });
        if (r.href.isEmpty())
            refuse(QStringLiteral("a response names no resource"));
        return r;
    }

    void readPropStat(Response& r) {
        QHash<QString, Property> props;
        int status = 0;
        eachChild([&] {
            if (is(dav, "prop"))
                readProp(props);
            else if (is(dav, "status"))
                status = statusOf(text());
            else
                skip();
        });
        if (status >= 200 && status < 300)
            r.found.insert(props);
    }

    void readProp(QHash<QString, Property>& props) {
        eachChild([&] { props.insert(name(), readProperty()); });
    }

    Property readProperty() {
        Property p;
        const int level = depth_;
        bool inHref = false;
        QString href;
        while (next()) {
            if (xml_.isEndElement()) {
                if (depth_ < level)
                    break;
                if (inHref && depth_ == level) {
                    p.hrefs.append(href.trimmed());
                    inHref = false;
                }
            } else if (xml_.isStartElement()) {
                p.elements.insert(name());
                if (depth_ == level + 1 && is(dav, "href")) {
                    inHref = true;
                    href.clear();
                }
            } else if (xml_.isCharacters()) {
                if (inHref)
                    href += xml_.text();
                else if (depth_ == level)
                    p.text += xml_.text();
            }
        }
        return p;
    }

    QXmlStreamReader xml_;
    int depth_ = 0;
};
} // namespace

MultiStatus parse(const QByteArray& body) {
    return Reader(body).read();
}

} // namespace DavXml
