#include "testinfo/ui/frmViewRelatedInfo.h"

#include "common/ui/FlexGrid.h"

const QString frmViewRelatedInfo::kCaption = QStringLiteral("Test Related Information");

frmViewRelatedInfo::frmViewRelatedInfo(clsConnection& connection, Messenger& messenger, QWidget* parent)
    : TestInfoDialogBase(bobs::lookupExact, QStringLiteral("&Save"), QStringLiteral("&Return"), parent) {
    view_ = std::make_unique<TestInfoView>(connection, messenger, *MSFlexGrid1);
    showTexts(TestInfoTexts::initial());
}

frmViewRelatedInfo::~frmViewRelatedInfo() = default;

bool frmViewRelatedInfo::fill(const QString& testName, double testId) {
    const std::optional<TestInfoTexts> stored = view_->load(testName, testId);
    if (!stored) return false;
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
