#include "testinfo/ui/frmTestHistory.h"

#include "common/Messenger.h"
#include "store/StoreError.h"
#include "store/TestAudit.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

frmTestHistory::frmTestHistory(clsConnection& connection, Messenger& messenger, const QString& testName,
                               double testId, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmTestHistory"));
    setWindowTitle(QString::fromLatin1(kCaption) + QStringLiteral(" - ") + testName);
    grdHistory = new QTableWidget(0, int(store::audit::kCellHeaders.size()), this);
    grdHistory->setObjectName(QStringLiteral("grdHistory"));
    grdHistory->setHorizontalHeaderLabels(store::audit::kCellHeaders);
    grdHistory->verticalHeader()->hide();
    grdHistory->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdHistory->horizontalHeader()->setStretchLastSection(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(grdHistory, 1);
    layout->addWidget(buttons);
    resize(960, 420);

    try {
        const std::vector<store::audit::Entry> entries = store::audit::ofTest(connection, testId);
        grdHistory->setRowCount(int(entries.size()));
        for (std::size_t r = 0; r < entries.size(); ++r) {
            const QStringList cells = store::audit::cells(entries[r]);
            for (qsizetype c = 0; c < cells.size(); ++c) {
                auto* item = new QTableWidgetItem(cells[c]);
                item->setToolTip(cells[c]);
                grdHistory->setItem(int(r), int(c), item);
            }
        }
        grdHistory->resizeColumnsToContents();
    } catch (const StoreError& error) {
        messenger.info(QStringLiteral("The history of the test could not be read.\n") + error.report(), {},
                       MsgIcon::Critical);
    }
}
