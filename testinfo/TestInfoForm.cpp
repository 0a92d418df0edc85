#include "testinfo/TestInfoForm.h"

#include "common/TextGrid.h"
#include "common/VbFormat.h"
#include "store/StoreError.h"
#include "store/clsTEST_ADDITIVE.h"
#include "store/clsTEST_INFO.h"

#undef EOF  // the record classes' EOF(), not the C library's macro

#include <QLocale>

#include <algorithm>

TestInfoTexts TestInfoTexts::initial(const QDate& today) {
    TestInfoTexts t;
    t.testDate = testinfo_text::shortDate(today);
    t.setBobNo(QString::fromLatin1(bobs::kDefaultBob), bobs::lookup);
    t.rotoNo = QString::fromLatin1(kRotor);
    t.bobRadius = QString::fromLatin1(kBobRadius);
    t.bobLength = QString::fromLatin1(kBobLength);
    t.preTestPh = QString::fromLatin1(kPh);
    t.postTestPh = QString::fromLatin1(kPh);
    t.researchName = QString::fromLatin1(kResearcher);
    return t;
}

void TestInfoTexts::setBobNo(const QString& bob, BobLookup lookup) {
    bobNo = bob;
    if (const auto geometry = lookup(bob)) {
        bobRadius = QString::fromLatin1(geometry->radius_cm);
        bobLength = QString::fromLatin1(geometry->effLength_cm);
    }
}

void TestInfoTexts::setStored(clsTEST_INFO& info, BobLookup lookup) {
    fluidId = info.Fluid_ID();
    setBobNo(info.BOB_NO(), lookup);
    rotoNo = info.ROTOR_NO();
    bobRadius = testinfo_text::number(info.BOB_RADIUS());
    bobLength = testinfo_text::number(info.BOB_EFF_LENGTH());
    preTestPh = testinfo_text::number(info.PreTest_PH());
    postTestPh = testinfo_text::number(info.PostTest_PH());
    researchName = info.RESEARCHER_NAME();
    safety = info.All().value(11).toString();  // SAFETY has no getter of its own
}

TestInfoInput TestInfoTexts::toInput() const {
    TestInfoInput input;
    input.testName = testName;
    input.fluidId = fluidId;
    input.researcherName = researchName;
    input.rotorNo = rotoNo;
    input.bobNo = bobNo;
    input.bobRadius_cm = vb::Val(bobRadius);
    input.bobEffLength_cm = vb::Val(bobLength);
    input.pretestPh = vb::Val(preTestPh);
    input.posttestPh = vb::Val(postTestPh);
    input.safety = safety;
    return input;
}

namespace additive_grid {

QStringList headerTexts() {
    QStringList texts = QString::fromLatin1(kFormat).split(u'|');
    for (QString& text : texts)
        if (text.startsWith(u'<') || text.startsWith(u'>') || text.startsWith(u'^')) text.remove(0, 1);
    return texts;
}

void setUp(TextGrid& grid) {
    grid.setRows(1);
    grid.setRows(kRows);
    const QStringList header = headerTexts();
    for (int c = 0; c < kCols; ++c) grid.setTextMatrix(0, c, header.value(c));
}

void clear(TextGrid& grid) {
    for (int r = 1; r < grid.Rows(); ++r)
        for (int c = 0; c < kCols; ++c) grid.setTextMatrix(r, c, QString());
}

void write(TextGrid& grid, const QList<NewAdditive>& additives) {
    clear(grid);
    const int needed = static_cast<int>(additives.size()) + 1;
    if (grid.Rows() < needed) grid.setRows(needed);
    int row = 1;
    for (const NewAdditive& a : additives) {
        grid.setTextMatrix(row, kName, a.name);
        grid.setTextMatrix(row, kConcentration, vb::Str(a.concentration));
        grid.setTextMatrix(row, kUnit, a.unit);
        grid.setTextMatrix(row, kLotNo, a.lotNo);
        ++row;
    }
}

QList<NewAdditive> read(const TextGrid& grid) {
    QList<NewAdditive> additives;
    for (int r = 1; r < grid.Rows(); ++r) {
        const QString name = grid.TextMatrix(r, kName);
        if (name.isEmpty()) break;
        additives.append({name, vb::Val(grid.TextMatrix(r, kConcentration)), grid.TextMatrix(r, kUnit),
                          grid.TextMatrix(r, kLotNo)});
    }
    return additives;
}

QList<NewAdditive> stored(clsTEST_ADDITIVE& additive, clsConnection& connection, double testId) {
    QList<NewAdditive> additives;
    additive.ConnectX(connection);
    additive.setTESTId(testId);
    additive.GetSeqDetail();
    if (!additive.IsEmpty())
        for (additive.MoveFirst(); !additive.EOF(); additive.MoveNext())
            additives.append(
                {additive.ADDITIVE_NM(), additive.ADD_CONCEN(), additive.ADD_UNIT(), additive.ADD_LOTNO()});
    return additives;
}

}  // namespace additive_grid

namespace testinfo_text {

QString shortDate(const QDate& date) {
    if (!date.isValid()) return {};
    const QLocale locale = QLocale::system();
    QString format = locale.dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("yyyy"))) format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return locale.toString(date, format);
}

QString number(double value) {
    return vb::Format(value, QString());
}

QString failure(const QString& what, const std::exception& error) {
    return what + u'\n' + StoreError::describe(error);
}

}  // namespace testinfo_text
