#include "monitor/ui/MonitorChart.h"

#include "analysis/ChartSession.h"
#include "analysis/ui/ChartView.h"
#include "common/Messenger.h"

#include <QFile>
#include <QTemporaryDir>

namespace monitor {

QByteArray paintChartPng(const ChartSession& session, QString* problem) {
    static QTemporaryDir scratch;
    ProblemMessenger messenger(problem);
    ChartView view(messenger);
    view.ShowSession(session);
    const QString path = scratch.filePath(QStringLiteral("chart.png"));
    if (!view.RenderToFile(path, ChartView::kOffscreenSize, problem)) return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (problem) *problem = file.errorString();
        return {};
    }
    return file.readAll();
}

}  // namespace monitor
