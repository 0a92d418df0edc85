#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The bob file "BOBINFO.TXT" in the working directory: line n names the bob mounted on unit n (B5, XB1, ...).
// The calibration window writes it; the real-time host reads it when it adds a sequence-test unit.
//
// The file is read item by item as the sequential-input statement reads text: leading blanks are skipped, an
// item ends at a comma or at the end of its line (trailing blanks dropped), and an item may be enclosed in
// double quotes, which are removed (a comma inside them is part of the item). An empty line is an empty item.
// So a line "B5, XB2" holds two items and moves every later unit down by one, as it always has.
class BobInfo {
  public:
    static inline const QString kFileName = QStringLiteral("BOBINFO.TXT");
    static constexpr int kUnitCount = 8;

    // Numbers of the file failures, as the host's "Form_Load Error" message shows them.
    static constexpr int kFileNotFound = 53;
    static constexpr int kInputPastEnd = 62;
    static constexpr int kFileAccess = 75;

    struct ReadResult {
        QStringList names;  // all eight when ok
        QString description;
        int number = 0;
        bool ok() const { return number == 0; }
    };

    // The first `count` items of the text, or fewer when the text ends before them.
    static QStringList items(const QByteArray& bytes, int count);

    // Reads the eight bob names; a missing or unreadable file or one with fewer than eight items fails with
    // its description and number.
    static ReadResult read(const QString& path = kFileName);
};
