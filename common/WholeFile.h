#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <memory>

// Writes a file whole or not at all: the content goes to a new file beside the target, is flushed to the
// disk, and is then renamed over the target's name, so the file that was there stays untouched until the
// new one is complete. A failure is the operating system's own reason ("No space left on device").
//
// Symbolic links:
//  - Links::Follow (a path the operator chose): a link is followed and the file it points to is
//    replaced, as editors do. A device or FIFO the path names (/dev/stdout) is written straight.
//  - Links::Replace (a file the program names itself, written without asking, such as the Halliburton
//    file): the name itself is replaced, whatever it is - a link becomes a plain file and whatever the link
//    pointed to stays as it was. Nothing is ever written through the old name.
// A replaced regular file keeps its permissions; a new file gets the usual ones (0666 less the umask).
class WholeFileWriter {
  public:
    enum class Links { Follow, Replace };

    explicit WholeFileWriter(const QString& path, Links links = Links::Follow);
    ~WholeFileWriter();  // a writer not committed leaves the target as it was
    WholeFileWriter(const WholeFileWriter&) = delete;
    WholeFileWriter& operator=(const WholeFileWriter&) = delete;

    // Creates the new file; false with error() when it cannot be.
    bool open();
    // Where the content goes between open() and commit(); its error() tells of a write that failed.
    QFileDevice& device() { return file_; }
    // Flushes the content to the disk and puts it in place of the target; false with error() when any of
    // it fails (the target then stays as it was).
    bool commit();
    // Drops what was written; the target stays as it was.
    void cancel();

    QString error() const { return error_; }
    // The file that is (or was) replaced.
    QString target() const { return target_; }

  private:
    bool fail(const QString& reason);

    QString path_;
    Links links_;
    QString target_;
    QString partial_;  // the new file until it is renamed; empty when writing straight to a device
    QFile file_;
    QString error_;
    bool open_ = false;
};

// Writes bytes as one WholeFileWriter; returns the failure's reason, empty on success.
QString writeWholeFile(const QString& path, const QByteArray& bytes,
                       WholeFileWriter::Links links = WholeFileWriter::Links::Follow);
