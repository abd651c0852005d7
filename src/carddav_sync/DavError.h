// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <stdexcept>

// A failure talking to an address book server, with the message the user reads.
class DavError : public std::runtime_error {
public:
    enum class Kind {
        Unreachable,          // no connection, a timeout, the connection broke
        Refused,              // the user name or password was refused
        UntrustedCertificate, // the server's certificate is not trusted; see fingerprint
        BadAnswer,            // malformed or hostile an answer
        TooLarge,             // an answer larger than the client takes
        Status,               // an HTTP status the operation cannot use
        NotFound,             // no address book at the address given
    };
    DavError(Kind kind, const QString& message, int status = 0, const QString& fingerprint = {})
        : std::runtime_error(message.toStdString()), kind_(kind), status_(status),
          message_(message), fingerprint_(fingerprint) {}
    Kind kind() const { return kind_; }
    int status() const { return status_; }
    const QString& message() const { return message_; }
    // SHA-256 of the refused certificate, as colon-separated hex pairs.
    const QString& fingerprint() const { return fingerprint_; }

private:
    Kind kind_;
    int status_;
    QString message_;
    QString fingerprint_;
};
