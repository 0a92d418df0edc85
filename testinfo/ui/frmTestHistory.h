#pragma once

#include <QDialog>

class Messenger;
class QTableWidget;
class clsConnection;

// "Test History": the record of every change to the stored test, oldest first: when, who, on which
// station, what changed, and its old and new value. It can only be read.
class frmTestHistory : public QDialog {
    Q_OBJECT
  public:
    static constexpr const char* kCaption = "Test History";

    // Reads the record of the test with this key; a failure to read it is shown.
    frmTestHistory(clsConnection& connection, Messenger& messenger, const QString& testName, double testId,
                   QWidget* parent = nullptr);

    QTableWidget* grdHistory;
};
