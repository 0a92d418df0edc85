#include "common/WholeFile.h"

#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

constexpr int kPartialNameTries = 16;

QString systemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// What a failed device reports, or a sentence when it gives no reason of its own.
QString reasonOf(const QFileDevice& file) {
    const QString reason = file.errorString();
    if (file.error() == QFileDevice::NoError || reason.isEmpty() || reason == QLatin1String("Unknown error"))
        return QStringLiteral("the file could not be written");
    return reason;
}

// rename(2) replaces the name: a link there is replaced itself, never followed.
bool renameOver(const QString& from, const QString& to, QString& reason) {
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (std::rename(source.constData(), target.constData()) == 0) return true;
#ifndef Q_OS_UNIX
    // Elsewhere rename refuses an existing target.
    if (QFile::exists(to) && QFile::remove(to) && std::rename(source.constData(), target.constData()) == 0)
        return true;
#endif
    reason = systemReason(errno);
    return false;
}

}  // namespace

WholeFileWriter::WholeFileWriter(const QString& path, Links links) : path_(path), links_(links) {}

WholeFileWriter::~WholeFileWriter() {
    cancel();
}

bool WholeFileWriter::fail(const QString& reason) {
    error_ = reason;
    cancel();
    return false;
}

bool WholeFileWriter::open() {
    cancel();
    error_.clear();
    const QFileInfo given(path_);
    target_ = given.absoluteFilePath();
    if (links_ == Links::Follow && given.isSymLink()) {
        const QString resolved = given.canonicalFilePath();  // empty for a link to nothing yet
        target_ = resolved.isEmpty() ? given.symLinkTarget() : resolved;
    }
    const QFileInfo target(target_);
    const bool isLink = target.isSymLink();
    if (target.isDir() && !isLink) return fail(systemReason(EISDIR));

    // A device or FIFO the operator named is written straight: it cannot be replaced.
    if (links_ == Links::Follow && target.exists() && !target.isFile() && !target.isDir()) {
        file_.setFileName(target_);
        if (!file_.open(QIODevice::WriteOnly)) return fail(reasonOf(file_));
        open_ = true;
        return true;
    }

    const QString folder = target.absolutePath() + u'/';
    const QString stem = u'.' + target.fileName() + u'.';
    for (int attempt = 0; attempt < kPartialNameTries; ++attempt) {
        const QString candidate = folder + stem +
                                  QString::number(QRandomGenerator::global()->generate(), 36) +
                                  QStringLiteral(".tmp");
        file_.setFileName(candidate);
        // NewOnly: never an existing file, nor a link planted under the partial name.
        if (file_.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            partial_ = candidate;
            break;
        }
        if (!QFileInfo(candidate).isSymLink() && !QFileInfo::exists(candidate)) return fail(reasonOf(file_));
    }
    if (partial_.isEmpty()) return fail(systemReason(EEXIST));
    if (!isLink && target.isFile()) file_.setPermissions(QFile::permissions(target_));
    open_ = true;
    return true;
}

bool WholeFileWriter::commit() {
    if (!open_) return fail(error_.isEmpty() ? QStringLiteral("the file was not opened") : error_);
    if (file_.error() != QFileDevice::NoError || !file_.flush()) return fail(reasonOf(file_));
#ifdef Q_OS_UNIX
    // On the disk before it takes the old file's place: a power cut leaves the old file or the new one.
    if (!partial_.isEmpty() && ::fsync(file_.handle()) != 0) return fail(systemReason(errno));
#endif
    file_.close();
    if (file_.error() != QFileDevice::NoError) return fail(reasonOf(file_));
    if (!partial_.isEmpty()) {
        QString reason;
        if (!renameOver(partial_, target_, reason)) return fail(reason);
        partial_.clear();
    }
    open_ = false;
    return true;
}

void WholeFileWriter::cancel() {
    if (file_.isOpen()) file_.close();
    if (!partial_.isEmpty()) QFile::remove(partial_);
    partial_.clear();
    open_ = false;
}

QString writeWholeFile(const QString& path, const QByteArray& bytes, WholeFileWriter::Links links) {
    WholeFileWriter writer(path, links);
    if (!writer.open()) return writer.error();
    if (writer.device().write(bytes) != bytes.size()) {
        const QString reason = writer.device().errorString();
        writer.cancel();
        return reason.isEmpty() ? QStringLiteral("the file could not be written") : reason;
    }
    if (!writer.commit()) return writer.error();
    return {};
}
