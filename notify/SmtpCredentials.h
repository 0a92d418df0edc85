#pragma once

#include <QList>
#include <QString>

#include <optional>

// The user and password of an e-mail channel's server, from a file of their own beside notify.txt (never
// from notify.txt, which anyone at the station may read): one server a line, '#' comments,
//   smtp://HOST[:PORT] USER PASSWORD
// the password being the rest of the line. The file must be the user's own and readable by nobody else;
// one that others may read is refused, and no password is taken from it. Nothing here ever prints a
// password: problem() names the file and the line, never its content.
struct SmtpCredentials {
    static constexpr const char* kFileName = "notify-credentials.txt";

    struct Login {
        QString user;
        QString password;
    };

    QString path;
    // Why no password could be taken from the file; empty when it was read or is missing.
    QString problem;

    // kFileName in the folder of notify.txt at notifyPath.
    static QString pathBeside(const QString& notifyPath);
    static SmtpCredentials read(const QString& path);
    // The login of the server as notify.txt names it ("smtp://mail.lab:587"); none when the file names
    // none (the mail is sent without logging in).
    std::optional<Login> loginFor(const QString& serverUrl) const;

  private:
    QList<std::pair<QString, Login>> logins_;
};
