#include "monitor/ui/MonitorChart.h"

#include "analysis/ChartSession.h"
#include "analysis/ui/ChartView.h"
#include "common/Messenger.h"

#include <QFile>
#include <QTemporaryDir>

namespace monitor {

namespace {

// The chart view asks nothing while it renders; a message it has all the same goes into the problem.
class ProblemMessenger : public Messenger {
  public:
    explicit ProblemMessenger(QString* problem) : problem_(problem) {}
    void info(const QString& text, const QString&, MsgIcon) override { note(text); }
    bool okCancel(const QString& text, const QString&, MsgIcon) override { return note(text), false; }
    bool yesNo(const QString& text, const QString&, MsgIcon) override { return note(text), false; }
    std::optional<QString> inputBox(const QString& prompt, const QString&, const QString&) override {
        note(prompt);
        return std::nullopt;
    }

  private:
    void note(const QString& text) {
        if (problem_) *problem_ = text;
    }
    QString* problem_;
};

}  // namespace

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
