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
        storedAdditives_ = additives;
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
        const std::vector<store::audit::Entry> changes =
            TestInfoChanges(info_, data, storedAdditives_, additives);
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
        for (const store::audit::Entry& change : changes) store::audit::append(connection_, change);
        write.commit();
        storedAdditives_ = additives;
        return true;
    } catch (const std::exception& error) {
        messenger_.info(testinfo_text::failure(QString::fromLatin1(kSaveFailed), error), QString(),
                        MsgIcon::Critical);
        return false;
    }
}

namespace {

QString additivesText(const QList<NewAdditive>& additives) {
    QStringList rows;
    for (const NewAdditive& a : additives)
        rows << QStringList{a.name, testinfo_text::number(a.concentration), a.unit, a.lotNo}.join(u'|');
    return rows.join(QStringLiteral("; "));
}

}  // namespace

std::vector<store::audit::Entry> TestInfoChanges(clsTEST_INFO& stored, const TestInfoInput& edited,
                                                 const QList<NewAdditive>& storedAdditives,
                                                 const QList<NewAdditive>& editedAdditives,
                                                 const store::audit::Actor& actor) {
    using testinfo_text::number;
    const QVariantList row = stored.All();
    const struct {
        const char* column;
        QString before;
        QString after;
    } fields[] = {
        {"FLUID_ID", stored.Fluid_ID(), edited.fluidId},
        {"RESEARCHER_NAME", stored.RESEARCHER_NAME(), edited.researcherName},
        {"ROTOR_NO", stored.ROTOR_NO(), edited.rotorNo},
        {"BOB_NO", stored.BOB_NO(), edited.bobNo},
        {"BOB_RADIUS", number(stored.BOB_RADIUS()), number(edited.bobRadius_cm)},
        {"BOB_EFF_LENGTH", number(stored.BOB_EFF_LENGTH()), number(edited.bobEffLength_cm)},
        {"PRETEST_PH", number(stored.PreTest_PH()), number(edited.pretestPh)},
        {"POSTTEST_PH", number(stored.PostTest_PH()), number(edited.posttestPh)},
        {"SAFETY", row.value(11).toString(), edited.safety},
    };
    std::vector<store::audit::Entry> changes;
    const auto add = [&](const QString& what, const QString& before, const QString& after) {
        changes.push_back(
            store::audit::change(stored.Test_Id(), stored.TEST_NAME(), what, before, after, actor));
    };
    for (const auto& f : fields)
        if (f.before != f.after) add(QString::fromLatin1(f.column), f.before, f.after);
    const QString additivesBefore = additivesText(storedAdditives);
    const QString additivesAfter = additivesText(editedAdditives);
    if (additivesBefore != additivesAfter)
        add(QString::fromLatin1(store::audit::kAdditives), additivesBefore, additivesAfter);
    return changes;
}
