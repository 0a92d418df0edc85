#include "common/SettingsFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace {

QString sizeText(qint64 bytes) {
    if (bytes % 1024 == 0) return QStringLiteral("%1 KiB").arg(bytes / 1024);
    return QStringLiteral("%1 bytes").arg(bytes);
}

#ifdef Q_OS_UNIX

QString reasonOf(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Closes the descriptor however the reading ends.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

// Reads up to limit + 1 bytes. A regular file is read straight; anything else (a pipe, a FIFO, a device)
// is polled, so a writer that sends nothing cannot hold the program past the quiet limit.
void readDescriptor(int fd, bool regular, int quietLimit_ms, SettingsFile& file) {
    const qint64 wanted = file.limit + 1;
    QByteArray buffer(wanted, Qt::Uninitialized);
    qint64 got = 0;
    QElapsedTimer quiet;
    quiet.start();
    while (got < wanted) {
        const ssize_t n = ::read(fd, buffer.data() + got, static_cast<size_t>(wanted - got));
        if (n > 0) {
            got += n;
            quiet.restart();
            continue;
        }
        if (n == 0) break;  // end of file, or a FIFO nobody writes to
        if (errno == EINTR) continue;
        if (!regular && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            const qint64 left_ms = quietLimit_ms - quiet.elapsed();
            pollfd waiting{fd, POLLIN, 0};
            if (left_ms <= 0 || ::poll(&waiting, 1, static_cast<int>(left_ms)) == 0) {
                file.status = SettingsFile::Status::Unreadable;
                file.systemReason = QStringLiteral("nothing more came for %1 s").arg(quietLimit_ms / 1000.0);
                return;
            }
            continue;
        }
        file.status = SettingsFile::Status::Unreadable;
        file.systemReason = reasonOf(errno);
        return;
    }
    if (got > file.limit) {
        file.status = SettingsFile::Status::TooLarge;
        return;
    }
    buffer.truncate(got);
    file.bytes = buffer;
    file.status = SettingsFile::Status::Read;
}

void readAt(const QString& path, int quietLimit_ms, SettingsFile& file) {
    // Non-blocking, so that opening a FIFO without a writer does not wait for one.
    Descriptor d{::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)};
    if (d.fd < 0) {
        const int error = errno;
        file.status = error == ENOENT ? SettingsFile::Status::Missing : SettingsFile::Status::Unreadable;
        file.systemReason = reasonOf(error);
        return;
    }
    struct stat info {};
    if (::fstat(d.fd, &info) != 0) {
        file.status = SettingsFile::Status::Unreadable;
        file.systemReason = reasonOf(errno);
        return;
    }
    if (S_ISDIR(info.st_mode)) {
        file.status = SettingsFile::Status::Unreadable;
        file.systemReason = reasonOf(EISDIR);
        return;
    }
    const bool regular = S_ISREG(info.st_mode);
    if (regular) {
        if (info.st_size > file.limit) {
            file.status = SettingsFile::Status::TooLarge;
            return;
        }
        ::fcntl(d.fd, F_SETFL, ::fcntl(d.fd, F_GETFL) & ~O_NONBLOCK);
    }
    readDescriptor(d.fd, regular, quietLimit_ms, file);
}

#else

void readAt(const QString& path, int, SettingsFile& file) {
    QFile f(path);
    if (!f.exists()) {
        file.status = SettingsFile::Status::Missing;
        file.systemReason = QStringLiteral("No such file or directory");
        return;
    }
    if (!f.open(QIODevice::ReadOnly)) {
        file.status = SettingsFile::Status::Unreadable;
        file.systemReason = f.errorString();
        return;
    }
    if (!f.isSequential() && f.size() > file.limit) {
        file.status = SettingsFile::Status::TooLarge;
        return;
    }
    const QByteArray bytes = f.read(file.limit + 1);
    if (f.error() != QFileDevice::NoError) {
        file.status = SettingsFile::Status::Unreadable;
        file.systemReason = f.errorString();
    } else if (bytes.size() > file.limit) {
        file.status = SettingsFile::Status::TooLarge;
    } else {
        file.status = SettingsFile::Status::Read;
        file.bytes = bytes;
    }
}

#endif

}  // namespace

SettingsFile SettingsFile::read(const QString& path, qint64 maxBytes, int quietLimit_ms) {
    SettingsFile file;
    file.path = QFileInfo(path).absoluteFilePath();
    file.limit = maxBytes;
    readAt(path, quietLimit_ms, file);
    return file;
}

QString SettingsFile::problem() const {
    const QString name = QDir::toNativeSeparators(path);
    switch (status) {
        case Status::Read:
            return {};
        case Status::Missing:
        case Status::Unreadable:
            return QStringLiteral("%1: cannot be read: %2").arg(name, systemReason);
        case Status::TooLarge:
            return QStringLiteral("%1: larger than %2, far more than a settings file holds; not read")
                .arg(name, sizeText(limit));
    }
    return {};
}
