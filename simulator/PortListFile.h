#pragma once

#include <QByteArray>
#include <QString>

#include <map>

// The "serialports.txt" that r7716-sim writes for the program: line n holds the device of port n. The
// lines of the units served are replaced and every other line is kept, and the file's earlier content (or
// its absence) comes back on restore, so a list kept for real adapters survives a simulator session.
class PortListFile {
  public:
    explicit PortListFile(QString path);

    // Writes the file with line n replaced by paths[n] for every n given. False when it cannot be written,
    // or when the file there could not be read (problem() says why): it is then left alone.
    bool write(const std::map<int, QString>& paths) const;
    // Why the file there could not be read; empty when it could (or there was none).
    const QString& problem() const { return problem_; }
    // Puts the file back as it was when this object was made.
    void restore() const;

  private:
    QString path_;
    bool existed_ = false;
    QByteArray original_;
    QString problem_;
};
