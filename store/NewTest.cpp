#include "store/NewTest.h"

#include "store/Transaction.h"
#include "store/clsConnection.h"
#include "store/clsTEST_ADDITIVE.h"
#include "store/clsTEST_INFO.h"
#include "store/clsTEST_RESULT.h"

bool TestNameIsStored(clsConnection& connection, const QString& name) {
    clsTEST_INFO list;
    list.ConnectX(connection);
    const RecordTable tests = list.UsedName();
    const int column = tests.columnIndex(QStringLiteral("TEST_NAME"));
    for (int row = 0; row < tests.rowCount(); ++row)
        if (tests.value(column, row).toString().compare(name, Qt::CaseInsensitive) == 0) return true;
    return false;
}

double StoreNewTest(clsConnection& connection, clsTEST_INFO& info, const QList<NewAdditive>& additives,
                    std::span<const Reading> readings) {
    store::Transaction transaction(connection);
    // Asked again under the write lock: another program may have stored the name since the caller looked.
    if (TestNameIsStored(connection, info.TEST_NAME()))
        throw StoreError::nameTaken(QStringLiteral("test"), info.TEST_NAME());
    {
        info.AddNew();
        info.GetTestDetail();
        const double testId = info.Test_Id();

        clsTEST_ADDITIVE additive;
        additive.ConnectX(connection);
        for (const NewAdditive& a : additives) {
            additive.setTESTId(testId);
            additive.setADDITIVE_NM(a.name);
            additive.setADD_CONCEN(a.concentration);
            additive.setADD_UNIT(a.unit);
            additive.setADD_LOTNO(a.lotNo);
            additive.AddNew();
        }

        clsTEST_RESULT result;
        result.ConnectX(connection);
        result.setTest_Id(static_cast<int>(testId));
        result.AddReadings(readings);
        transaction.commit();
        return testId;
    }
}
