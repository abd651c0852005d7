// SPDX-License-Identifier: GPL-3.0-or-later
#include "DavServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

namespace {
int freePort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}
void writeFile(const QString& path, const QByteArray& text) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(text);
}
} // namespace

DavServer::DavServer(Kind kind, bool tls) : kind_(kind), tls_(tls) {}

DavServer::~DavServer() {
    stop();
}

QString DavServer::certificate() const {
    return dir_.filePath(QStringLiteral("cert.pem"));
}

QString DavServer::bookFolder() const {
    return dir_.filePath(QStringLiteral("store/collection-root/alice/contacts"));
}

QUrl DavServer::root() const {
    QUrl url;
    url.setScheme(tls_ ? QStringLiteral("https") : QStringLiteral("http"));
    url.setHost(QStringLiteral("127.0.0.1"));
    url.setPort(port_);
    url.setPath(QStringLiteral("/"));
    return url;
}

QUrl DavServer::book() const {
    return root().resolved(QUrl(kind_ == Kind::Xandikos
                                    ? QStringLiteral("/user/contacts/addressbook/")
                                    : QStringLiteral("/alice/contacts/")));
}

bool DavServer::start() {
    if (!dir_.isValid()) {
        error_ = QStringLiteral("no temporary folder");
        return false;
    }
    if (port_ == 0)
        port_ = freePort();
    const QString store = dir_.filePath(QStringLiteral("store"));
    process_ = std::make_unique<QProcess>();
    process_->setProcessChannelMode(QProcess::MergedChannels);
    process_->setStandardOutputFile(dir_.filePath(QStringLiteral("server.log")), QIODevice::Append);
    QString program;
    QStringList args;
    if (kind_ != Kind::Xandikos) {
        if (tls_ && !QFile::exists(certificate())) {
            QProcess ssl;
            ssl.start(QStringLiteral("openssl"),
                      {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                       QStringLiteral("rsa:2048"), QStringLiteral("-nodes"),
                       QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                       QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-keyout"),
                       dir_.filePath(QStringLiteral("key.pem")), QStringLiteral("-out"),
                       certificate()});
            if (!ssl.waitForFinished(60000) || ssl.exitCode() != 0) {
                error_ = QStringLiteral("openssl could not make a certificate");
                return false;
            }
        }
        writeFile(dir_.filePath(QStringLiteral("users")),
                  (user() + u':' + password() + u'\n').toUtf8());
        QByteArray config = "[server]\nhosts = 127.0.0.1:" + QByteArray::number(port_) + "\n";
        if (tls_)
            config += "ssl = True\ncertificate = " + certificate().toUtf8() +
                      "\nkey = " + dir_.filePath(QStringLiteral("key.pem")).toUtf8() + "\n";
        config += "[auth]\ntype = htpasswd\nhtpasswd_filename = " +
                  dir_.filePath(QStringLiteral("users")).toUtf8() +
                  "\nhtpasswd_encryption = plain\ndelay = 0\n[storage]\nfilesystem_folder = " +
                  store.toUtf8() + "\n[logging]\nlevel = warning\n";
        writeFile(dir_.filePath(QStringLiteral("radicale.conf")), config);
        program = QStringLiteral("radicale");
        args = {QStringLiteral("-C"), dir_.filePath(QStringLiteral("radicale.conf"))};
        if (kind_ == Kind::RadicaleListing) {
            args.prepend(QStringLiteral(QUILLARY_SOURCE_DIR "/tests/support/radicale-listing.py"));
            // The interpreter Radicale itself runs on.
            program = QStringLiteral("/usr/bin/python3");
        }
        // The book a phone would have made (Radicale makes none of its own).
        const QString book = bookFolder();
        if (!QFile::exists(book + QStringLiteral("/.Radicale.props"))) {
            QDir().mkpath(book);
            writeFile(book + QStringLiteral("/.Radicale.props"),
                      R"({"D:displayname": "Contacts", "tag": "VADDRESSBOOK"})");
        }
    } else {
        program = QStringLiteral("xandikos");
        args = {QStringLiteral("-d"),         store,
                QStringLiteral("--defaults"), QStringLiteral("-l"),
                QStringLiteral("127.0.0.1"),  QStringLiteral("-p"),
                QString::number(port_)};
    }
    process_->start(program, args);
    if (!process_->waitForStarted(10000)) {
        error_ = program + QStringLiteral(" could not be started: ") + process_->errorString();
        return false;
    }
    return waitReady();
}

bool DavServer::waitReady() {
    const QDeadlineTimer deadline(30000);
    while (!deadline.hasExpired()) {
        if (process_->state() != QProcess::Running) {
            QFile log(dir_.filePath(QStringLiteral("server.log")));
            log.open(QIODevice::ReadOnly);
            error_ = name() + QStringLiteral(" ended at start: ") +
                     QString::fromUtf8(log.readAll().right(2000));
            return false;
        }
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port_);
        if (probe.waitForConnected(200))
            return true;
        QThread::msleep(50);
    }
    error_ = name() + QStringLiteral(" did not listen within 30 s");
    return false;
}

void DavServer::stop() {
    if (!process_)
        return;
    process_->terminate();
    if (!process_->waitForFinished(5000)) {
        process_->kill();
        process_->waitForFinished(5000);
    }
    process_.reset();
}

bool DavServer::restart() {
    stop();
    return start();
}
