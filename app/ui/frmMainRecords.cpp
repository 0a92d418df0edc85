// The main window's Test menu: the open test's readings and exclusions, its acceptance criteria, and the
// compare window; and the criteria list under the results.
#include "app/ui/frmMain.h"

#include "analysis/AcceptanceCriteria.h"
#include "analysis/ui/ChartView.h"
#include "analysis/ui/frmCriteria.h"
#include "analysis/ui/frmReadings.h"
#include "common/Messenger.h"
#include "common/Settings.h"
#include "reports/ui/frmCompareTests.h"

#include <QListWidget>
#include <QStatusBar>

namespace {

constexpr const char* kOpenATestFirst = "Open a saved test first.";
const QColor kPassColour(0, 120, 40);
const QColor kFailColour(200, 0, 0);

}  // namespace

void frmMain::showCriteria() {
    lstCriteria->clear();
    if (!session_->isOpen()) return;
    const std::vector<acceptance::Judged>& judged = session_->test().judged;
    const QStringList lines = acceptance::OutcomeLines(judged, settings_.unitSystem());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        auto* item = new QListWidgetItem(lines[i], lstCriteria);
        item->setForeground(judged[std::size_t(i)].outcome.passed ? kPassColour : kFailColour);
    }
    lstCriteria->setToolTip(lines.isEmpty()
                                ? QStringLiteral("No acceptance criteria (Test > Acceptance Criteria)")
                                : lines.join(u'\n'));
}

void frmMain::recordsChanged(const OpenTestSession::Change& change) {
    draw(change.redraw);
    if (!change.note.isEmpty()) statusBar()->showMessage(change.note);
}

void frmMain::MenuReadings_Click() {
    if (!session_->isOpen()) {
        messenger_.info(QString::fromUtf8(kOpenATestFirst));
        return;
    }
    frmReadings readings(*session_, messenger_, this);
    connect(&readings, &frmReadings::changed, this, &frmMain::recordsChanged);
    readings.exec();
}

void frmMain::MenuCriteria_Click() {
    if (!session_->isOpen()) {
        messenger_.info(QString::fromUtf8(kOpenATestFirst));
        return;
    }
    frmCriteria criteria(*session_, *connection_, messenger_, settings_.unitSystem(), this);
    connect(&criteria, &frmCriteria::changed, this, &frmMain::recordsChanged);
    criteria.exec();
}

void frmMain::MenuCompare_Click() {
    frmCompareTests compare(*connection_, messenger_, settings_, this);
    if (session_->isOpen()) compare.Check({session_->name()});
    compare.exec();
}
