#pragma once

#include "common/SettingsFile.h"
#include "common/UnitSystem.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>

// The hardware settings of the installation, kept in "initial.txt" in the working directory: the serial
// port of each of the eight instrument units, then the unit system. The setup window writes the file; the
// setup window, the main window, the real-time host and the calibration window read it, each taking as
// many numbers as it needs.
class InitialSettings {
  public:
    static constexpr int kUnitCount = 8;
    // Eight ports, then the unit system.
    static constexpr int kNumberCount = kUnitCount + 1;
    static constexpr const char* kFileName = "initial.txt";
    // The nine numbers take a few hundred bytes; a larger file is something else and is not read.
    static constexpr qint64 kMaxFileBytes = SettingsFile::kMaxBytes;
    // An item that is not a number is quoted in messages up to this many characters.
    static constexpr int kMaxQuotedChars = 20;

    // Selector index of each unit's port: 0 no port ("None"), n = "Comm n" (1 to 12), -1 when the
    // selector had no selection when the file was saved.
    std::array<int, kUnitCount> ports{};
    // The unit system as the ninth line holds it (see UnitSystem); any number may stand in a file.
    int systemOfUnits = numberOfUnitSystem(UnitSystem::CGS);

    // Port of unit 1 to 8; 0 for a unit number outside that range.
    int port(int unit) const;

    // The file's bytes: each number with a blank (or "-") in the sign position, a trailing blank and CR LF.
    QByteArray toBytes() const;

    // Replaces the file at path. The old file stays untouched when the new one cannot be written whole.
    // On failure returns false and, when error is given, the system's reason.
    bool write(QString* error = nullptr, const QString& path = QString::fromLatin1(kFileName)) const;

    enum class ReadStatus {
        Complete,        // all nine numbers read
        FileMissing,     // no such file
        FileUnreadable,  // present but cannot be opened or read
        TooLarge,        // larger than kMaxFileBytes: not a settings file, not read
        TooFewNumbers,   // the file ends before the ninth number
        NotANumber,      // an item that is not a whole number stops the reading
    };

    // What a reader found; defined below.
    struct ReadResult;

    // Reads the numbers: separated by any blanks, tabs, commas or line ends, with or without the written
    // sign blank. Reading stops at the ninth number; anything after it is ignored.
    static ReadResult read(const QString& path = QString::fromLatin1(kFileName));
    static ReadResult parse(const QByteArray& bytes);
};

struct InitialSettings::ReadResult {
    ReadStatus status = ReadStatus::FileMissing;
    QString path;              // the file as it was looked for
    QList<int> numbers;        // the numbers read in file order, at most nine, up to the first problem
    QString offendingText;     // NotANumber: the item that is not a whole number, cut to a short quote
    QString systemReason;      // FileUnreadable: the operating system's reason
    InitialSettings settings;  // the numbers read; whatever was not read keeps its default (port 0, CGS)

    bool complete() const { return status == ReadStatus::Complete; }
    // Readers that need only the ports (the calibration window) can go on with eight numbers.
    bool hasPorts() const { return numbers.size() >= InitialSettings::kUnitCount; }
    bool hasUnitSystem() const { return numbers.size() >= InitialSettings::kNumberCount; }
    // One sentence for the operator saying what is wrong with the file; empty when complete.
    QString problem() const;
};
