#pragma once

#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <optional>

// The calibration report: a plain-text file of the calibration's settings and of the points of the last
// run, every line ending CR LF.
namespace CalibrationReport {

// The save dialog's filters, the second ("Text Files") preselected.
inline const QString kAllFilesFilter = QStringLiteral("All Files (*.*)");
inline const QString kTextFilesFilter = QStringLiteral("Text Files(*.txt)");
// What the dialog reports when the operator cancels it; the export shows it as its failure.
inline const QString kCancelText = QStringLiteral("Cancel was selected.");

struct Inputs {
    QString unitText;               // the unit list's text, "Unit  3"
    QString bobText;                // the bob list's text
    QString viscText;               // the viscosity as typed
    QString changeText;             // the viscosity change per degree as typed
    QList<double> stresses;         // bob-scaled, dyn/cm2
    QList<double> voltages;         // Vdc
    std::optional<double> quality;  // r^2 of the last finished run; none before one
    QDateTime when;
};

// "<long time> <long date>" in the locale's long forms (a time zone name dropped: the local time is meant).
QString timeText(const QDateTime& when, const QLocale& locale = QLocale::system());

// One data point in print form: each number with its sign blank and one blank after it, the voltage
// starting at the next 14-column print zone after the stress (12.5, 0.75 -> " 12.5" blanks to column 14,
// then " .75 ").
QString pointLine(double stress, double voltage);

// The report's lines, without line ends.
QStringList lines(const Inputs& inputs, const QLocale& locale = QLocale::system());

// Creates or replaces the file; the old file stays when the new one cannot be written whole. Returns the
// failure's description, empty when written.
QString write(const QString& path, const Inputs& inputs);

}  // namespace CalibrationReport
