#pragma once

#include <QByteArray>
#include <QString>

class ChartSession;

// The lab monitor's chart images, drawn by the main window's chart view exactly as r7716-cli chart draws
// them (1000 x 650). Needs the GUI application's thread.
namespace monitor {

QByteArray paintChartPng(const ChartSession& session, QString* problem);

}  // namespace monitor
