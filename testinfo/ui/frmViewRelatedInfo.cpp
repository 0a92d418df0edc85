#include "testinfo/ui/frmViewRelatedInfo.h"

#include "common/ui/FlexGrid.h"
#include "testinfo/ui/frmTestHistory.h"

#include <QPushButton>
#include <QVBoxLayout>

const QString frmViewRelatedInfo::kCaption = QStringLiteral("Test Related Information");

frmViewRelatedInfo::frmViewRelatedInfo(clsConnection& connection, Messenger& messenger, QWidget* parent)
    : TestInfoDialogBase(bobs::lookupExact, QStringLiteral("&Save"), QStringLiteral("&Return"), parent),
      connection_(connection),
      messenger_(messenger) {
    view_ = std::make_unique<TestInfoView>(connection, messenger, *MSFlexGrid1);
    cmdHistory = new QPushButton(QStringLiteral("&History..."), this);
    cmdHistory->setObjectName(QStringLiteral("cmdHistory"));
    cmdHistory->setAutoDefault(false);
    cmdHistory->setToolTip(QStringLiteral("Every change to this test: what, when, by whom"));
    extraArea()->addWidget(cmdHistory, 0, Qt::AlignLeft);
    connect(cmdHistory, &QPushButton::clicked, this, &frmViewRelatedInfo::cmdHistory_Click);
    showTexts(TestInfoTexts::initial());
}

void frmViewRelatedInfo::cmdHistory_Click() {
    frmTestHistory history(connection_, messenger_, testName_, testId_, this);
    history.exec();
}

frmViewRelatedInfo::~frmViewRelatedInfo() = default;

bool frmViewRelatedInfo::fill(const QString& testName, double testId) {
    const std::optional<TestInfoTexts> stored = view_->load(testName, testId);
    if (!stored) return false;
    testName_ = testName;
    testId_ = testId;
    showTexts(*stored);
    return true;
}

bool frmViewRelatedInfo::okAllowed() {
    const TestInfoTexts t = texts();
    return view_->accept(t) && view_->save(t);
}

bool editTestInfo(QWidget* parent, clsConnection& connection, Messenger& messenger, const QString& testName,
                  double testId) {
    frmViewRelatedInfo dialog(connection, messenger, parent);
    dialog.setWindowTitle(frmViewRelatedInfo::kCaption);
    if (!dialog.fill(testName, testId)) return false;
    dialog.exec();
    return !dialog.mlCanceled;
}
