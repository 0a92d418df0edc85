#include "testinfo/TestInfoEntry.h"

#include "common/Messenger.h"
#include "common/PrintableText.h"
#include "common/TextGrid.h"
#include "common/VbFormat.h"
#include "store/RecordTable.h"

namespace {

QList<TestInfoEntry::StoredTest> listOf(const RecordTable& list) {
    const int name = list.columnIndex(QStringLiteral("TEST_NAME"));
    const int time = list.columnIndex(QStringLiteral("TEST_TIME"));
    const int researcher = list.columnIndex(QStringLiteral("RESEARCHER_NAME"));
    QList<TestInfoEntry::StoredTest> rows;
    for (int row = 0; row < list.rowCount(); ++row) {
        const QVariant when = list.value(time, row);
        rows.append({list.value(name, row).toString(),
                     when.isNull() ? QString() : vb::GeneralDate(when.toDateTime()),
                     list.value(researcher, row).toString()});
    }
    return rows;
}

}  // namespace

TestInfoEntry::TestInfoEntry(clsConnection& connection, Messenger& messenger, TextGrid& additives)
    : connection_(connection), messenger_(messenger), additives_(additives) {}

bool TestInfoEntry::fillList() {
    existing_.clear();
    try {
        info_.ConnectX(connection_);
        existing_ = listOf(info_.UsedName());
        return true;
    } catch (const std::exception& error) {
        messenger_.info(testinfo_text::failure(QString::fromLatin1(kListFailed), error), QString(),
                        MsgIcon::Critical);
        return false;
    }
}

QStringList TestInfoEntry::pickNames() const {
    QStringList names;
    for (const StoredTest& test : existing_) names << test.name;
    return names;
}

void TestInfoEntry::copyFrom(const QString& name, TestInfoTexts& texts) {
    if (name.isEmpty()) return;
    const auto listed = std::find_if(existing_.cbegin(), existing_.cend(),
                                     [&](const StoredTest& test) { return test.name == name; });
    if (listed == existing_.cend()) {
        messenger_.info(QString::fromLatin1(kCopyNotFound));
        return;
    }
    QList<NewAdditive> additives;
    try {
        info_.setTEST_NAME(name);
        info_.GetTestDetail();
        if (info_.Test_Id() != 0) additives = additive_grid::stored(additive_, connection_, info_.Test_Id());
    } catch (const std::exception& error) {
        messenger_.info(testinfo_text::failure(QString::fromLatin1(kCopyFailed), error), QString(),
                        MsgIcon::Critical);
        return;
    }
    // Deleted by another window since the list was read: as if it had never been listed.
    if (info_.Test_Id() == 0) {
        messenger_.info(QString::fromLatin1(kCopyNotFound));
        return;
    }

    texts.setStored(info_, bobs::lookup);

    const bool tooMany = additives.size() > TestInfoInput::kMaxAdditives;
    if (tooMany) additives.resize(TestInfoInput::kMaxAdditives);
    additive_grid::write(additives_, additives);
    if (tooMany) messenger_.info(QString::fromLatin1(kCopyTooMany));
}

bool TestInfoEntry::accept(const TestInfoTexts& texts) {
    if (const auto problem = nameProblem(pickNames(), texts.testName)) {
        messenger_.info(*problem);
        return false;
    }
    const TestInfoInput data = texts.toInput();
    if (const auto problem = bobs::geometryProblem(data.bobRadius_cm, data.bobEffLength_cm)) {
        messenger_.info(*problem);
        return false;
    }
    return true;
}

TestInfoInput TestInfoEntry::input(const TestInfoTexts& texts) const {
    TestInfoInput data = texts.toInput();
    data.additives = additive_grid::read(additives_);
    return data;
}

std::optional<QString> TestInfoEntry::nameProblem(const QStringList& storedNames, const QString& name) {
    const QString upper = name.toUpper();
    for (const QString& stored : storedNames)
        if (stored.toUpper() == upper) return QString::fromLatin1(kDuplicateName);
    if (name.isEmpty()) return QString::fromLatin1(kEmptyName);
    return printable_text::nameProblem(QStringLiteral("test name"), name);
}

QStringList TestInfoEntry::storedNames(clsConnection& connection) {
    clsTEST_INFO info;
    info.ConnectX(connection);
    QStringList names;
    for (const StoredTest& test : listOf(info.UsedName())) names << test.name;
    return names;
}
