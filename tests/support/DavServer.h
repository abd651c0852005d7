// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>
#include <memory>

// A real address book server on 127.0.0.1, on a free port, with a fresh storage
// folder; stopped when it goes. start() returns false (with the reason in
// error()) when the server could not be started: a test must then fail.
class DavServer {
public:
    // RadicaleListing: Radicale not reporting changes (no sync-collection).
    enum class Kind { Radicale, Xandikos, RadicaleListing };
    explicit DavServer(Kind kind, bool tls = false);
    ~DavServer();
    DavServer(const DavServer&) = delete;
    DavServer& operator=(const DavServer&) = delete;

    bool start();
    void stop();
    // Stopped and started again on the same port and storage.
    bool restart();

    Kind kind() const { return kind_; }
    QString name() const {
        return kind_ == Kind::Xandikos ? QStringLiteral("Xandikos") : QStringLiteral("Radicale");
    }
    // The server's root address; the address a user would type.
    QUrl root() const;
    // An address book that start() made ready, and its address.
    QUrl book() const;
    QString user() const { return QStringLiteral("alice"); }
    QString password() const { return QStringLiteral("wonder land"); }
    QString error() const { return error_; }
    // Where a self-signed server keeps its certificate (PEM), for tests of trust.
    QString certificate() const;
    // Where Radicale keeps the cards of book(), for filling it before start().
    QString bookFolder() const;

private:
    bool waitReady();
    Kind kind_;
    bool tls_;
    QTemporaryDir dir_;
    std::unique_ptr<QProcess> process_;
    int port_ = 0;
    QString error_;
};
