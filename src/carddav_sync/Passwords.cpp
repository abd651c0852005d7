// SPDX-License-Identifier: GPL-3.0-or-later
#include "Passwords.h"

#include <QEventLoop>
#include <QHash>
#include <QTimer>
#include <QUrl>
#include <qt6keychain/keychain.h>

namespace {
constexpr int KeyringWaitMs = 5000;
const QString service = QStringLiteral("Quillary address book server");

QHash<QString, QString>& session() {
    static QHash<QString, QString> passwords;
    return passwords;
}

// Runs a keyring job to its end, or gives up after a while; true when it succeeded.
bool finish(QKeychain::Job& job) {
    job.setAutoDelete(false);
    QEventLoop loop;
    bool done = false;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, [&] {
        done = true;
        loop.quit();
    });
    QTimer::singleShot(KeyringWaitMs, &loop, &QEventLoop::quit);
    job.start();
    if (!done)
        loop.exec();
    return done && job.error() == QKeychain::NoError;
}
} // namespace

namespace Passwords {

QString keyFor(const QString& server, const QString& user) {
    return user + QLatin1Char('@') + QUrl::fromUserInput(server).host();
}

QString read(const QString& key) {
    if (session().contains(key))
        return session().value(key);
    QKeychain::ReadPasswordJob job(service);
    job.setKey(key);
    job.setInsecureFallback(false);
    return finish(job) ? job.textData() : QString();
}

bool write(const QString& key, const QString& password) {
    session().insert(key, password);
    QKeychain::WritePasswordJob job(service);
    job.setKey(key);
    job.setInsecureFallback(false);
    job.setTextData(password);
    return finish(job);
}

void forget(const QString& key) {
    session().remove(key);
    QKeychain::DeletePasswordJob job(service);
    job.setKey(key);
    job.setInsecureFallback(false);
    finish(job);
}

} // namespace Passwords
