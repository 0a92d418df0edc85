#pragma once

#include <QByteArray>
#include <QString>

// The one reader of the small text files the program takes its settings from ("initial.txt",
// "BOBINFO.TXT", "serialports.txt", "database.txt", an --info file, ...). Each holds a few lines, so a file
// larger than kMaxBytes is something else (a log, a device, a mistyped name) and is refused without being
// read whole: at most kMaxBytes + 1 bytes are ever read, from /dev/zero as from a 50 MB file. A pipe or a
// FIFO is read as it comes, but never waited on longer than its quiet limit, and a FIFO without a writer
// reads as empty instead of blocking the program.
struct SettingsFile {
    static constexpr qint64 kMaxBytes = 64 * 1024;
    static constexpr int kQuietLimit_ms = 5000;

    enum class Status {
        Read,        // bytes holds the whole file
        Missing,     // no such file
        Unreadable,  // present, but it cannot be opened or read (systemReason says why)
        TooLarge,    // more than the limit: not read
    };

    Status status = Status::Missing;
    QString path;  // absolute, as messages name it
    QByteArray bytes;
    QString systemReason;
    qint64 limit = kMaxBytes;

    bool ok() const { return status == Status::Read; }
    // One line: the file, a colon and what is wrong with it ("...: cannot be read: Permission denied");
    // empty when read.
    QString problem() const;

    // Reads the file at path (a symbolic link is followed). quietLimit_ms: how long a pipe or device may
    // send nothing before the reading gives up.
    static SettingsFile read(const QString& path, qint64 maxBytes = kMaxBytes,
                             int quietLimit_ms = kQuietLimit_ms);
};
