#include "testinfo/TestInfoView.h"

#include "common/Messenger.h"
#include "common/TextGrid.h"
#include "store/Transaction.h"
#include "testinfo/TestInfoEntry.h"

TestInfoView::TestInfoView(clsConnection& connection, Messenger& messenger, TextGrid& additives)
    : connection_(connection), messenger_(messenger), additives_(additives) {}

std::optional<TestInfoTexts> TestInfoView::load(const QString& testName, double testId) {
    QList<NewAdditive> additives;
    try {
        info_.ConnectX(connection_);
        info_.setTEST_NAME(testName);
        info_.GetTestDetail();
        // Two tests may share a name; the one to edit is the one with this key.
        const RecordTable rows = info_.UsedName();
        const int idColumn = rows.columnIndex(QStringLiteral("TEST_ID"));
        int found = -1;
        for (int row = 0; row < rows.rowCount() && found < 0; ++row)
            if (rows.value(idColumn, row).toDouble() == testId) found = row;
        if (found < 0 || testId == 0) {
            messenger_.info(QString::fromLatin1(kNotStored));
            return std::nullopt;
        }
        info_.MoveFirst();
        info_.MoveRel(found);
        timeIsNull_ = rows.value(rows.columnIndex(QStringLiteral("TEST_TIME")), found).isNull();

        additives = additive_grid::stored(additive_, connection_, testId);
    } catch (const std::exception& error) {
        messenger_.info(testinfo_text::failure(QString::fromLatin1(kReadFailed), error), QString(),
                        MsgIcon::Critical);
        return std::nullopt;
    }

    TestInfoTexts texts = TestInfoTexts::initial();
    texts.testName = info_.TEST_NAME();
    texts.testDate = timeIsNull_ ? QString() : testinfo_text::shortDate(info_.TEST_TIME().date());
    texts.setStored(info_, bobs::lookupExact);
    // A test with more than 20 additives (stored by another program) gets the rows it needs, so that
    // saving does not drop the rest.
    additive_grid::write(additives_, additives);
    return texts;
}

bool TestInfoView::accept(const TestInfoTexts& texts) {
    if (texts.testName.isEmpty()) {
        messenger_.info(QString::fromLatin1(TestInfoEntry::kEmptyName));
        return false;
    }
    const TestInfoInput data = texts.toInput();
    if (const auto problem = bobs::geometryProblem(data.bobRadius_cm, data.bobEffLength_cm)) {
        messenger_.info(*problem);
        return false;
    }
    return true;
}

bool TestInfoView::save(const TestInfoTexts& texts) {
    const TestInfoInput data = texts.toInput();
    const QList<NewAdditive> additives = additive_grid::read(additives_);
    try {
        store::Transaction write(connection_);
        info_.setFluid_ID(data.fluidId);
        info_.setRESEARCHER_NAME(data.researcherName);
        info_.setPreTest_PH(data.pretestPh);
        info_.setPostTest_PH(data.posttestPh);
        info_.setROTOR_NO(data.rotorNo);
        info_.setBOB_NO(data.bobNo);
        info_.setBOB_EFF_LENGTH(data.bobEffLength_cm);
        info_.setBOB_RADIUS(data.bobRadius_cm);
        info_.setSAFETY(data.safety);
        // A test without a time keeps none: read back, its time is "now", which must not be written.
        if (timeIsNull_) info_.setTEST_TIME(clsTEST_INFO::noTestTime());
        info_.Update();

        additive_.setTESTId(info_.Test_Id());
        additive_.Delete();
        for (const NewAdditive& a : additives) {
            additive_.setTESTId(info_.Test_Id());
            additive_.setADDITIVE_NM(a.name);
            additive_.setADD_CONCEN(a.concentration);
            additive_.setADD_UNIT(a.unit);
            additive_.setADD_LOTNO(a.lotNo);
            additive_.AddNew();
        }
        write.commit();
        return true;
    } catch (const std::exception& error) {
        messenger_.info(testinfo_text::failure(QString::fromLatin1(kSaveFailed), error), QString(),
                        MsgIcon::Critical);
        return false;
    }
}
