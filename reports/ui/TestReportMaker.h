#pragma once

#include "common/UnitSystem.h"

#include <QLocale>
#include <QPicture>
#include <QString>
#include <QStringList>

#include <optional>

class Messenger;
class clsConnection;
struct OpenedTest;

// The test report as the window's "Test Report..." and `r7716-cli report` make it: the same steps, so
// both give the same pages.
namespace reports {

// The "Visc, Temp Vs Time" chart of the test as the main window draws it (the time chart of a chart
// session for the test, under its data option, drawn by ChartView), recorded at kTimeChartSize as painter
// commands: its lines and texts stay vectors in the PDF. GUI thread only; a null picture when it could
// not be drawn.
QPicture RecordTimeChart(const OpenedTest& test, UnitSystem unitSystem, Messenger& messenger);

struct TestReportRequest {
    QString path;  // the PDF file
    UnitSystem unitSystem = UnitSystem::CGS;
    std::optional<bool> models;  // the extended models; as lab.txt says when not given
    QString settingsPath;        // "initial.txt": lab.txt and rates.txt are read beside it
    QLocale locale = QLocale::system();
};

struct TestReportOutcome {
    QString error;  // the system's reason when the file was not written; empty when it was
    int pages = 0;
    // Lines of lab.txt or rates.txt that were left out, a logo that could not be read: the report was
    // made without them.
    QStringList problems;
};

// Reads lab.txt (and rates.txt for the models), records the chart, gathers the report from the database
// and writes the PDF whole. GUI thread (the chart); database failures come out as StoreError.
TestReportOutcome MakeTestReport(clsConnection& connection, const OpenedTest& test,
                                 const TestReportRequest& request, Messenger& messenger);

}  // namespace reports
