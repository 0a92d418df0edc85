#pragma once

#include <QStringList>

class QTextStream;

// r7716-cli chart: one chart of a stored test, drawn into a file as the main window shows it or printed as
// its series.
namespace cli {

// The command's line in the tool's help.
inline constexpr const char* kChartSummary =
    "  chart NAME TYPE [--overlap NAME]... [--xlog] [--ylog] [--no-ramp] (--out FILE | --csv)\n"
    "                 draw chart TYPE (0-5, 3d0-3d2) of the test NAME into a .png or .pdf, or print its "
    "series\n";

// Exit status of an overlap refused ("Test can not overlap itself!", the time chart).
inline constexpr int kOverlapRefused = 1;

// True when the command line draws into a file: main() must then make a QApplication (offscreen when there
// is no display).
bool ChartNeedsWindowSystem(const QStringList& arguments);

// Runs `chart` with its arguments (those after the word "chart") on the database and settings of the
// current directory.
int runChart(const QStringList& arguments, QTextStream& out, QTextStream& err);

}  // namespace cli
