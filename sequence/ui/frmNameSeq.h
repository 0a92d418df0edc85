#pragma once

#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;

// "Naming the Test": the operator picks a stored sequence by name. The owner fills the list, shows the
// dialog and, on SelectedTestName, reads the chosen name.
class frmNameSeq : public QDialog {
    Q_OBJECT
  public:
    explicit frmNameSeq(QWidget* parent = nullptr);

    // Clears the list, adds the names in order and selects the first one.
    void fillNames(const QStringList& names);
    // The selected name; empty when nothing is selected.
    QString selectedName() const;

    QLabel* lblHeading;
    QListWidget* lstSeqName;
    QPushButton* cmdOk;
    QPushButton* cmdCancel;

    void cmdOk_Click();
    void cmdCancel_Click();

  signals:
    void SelectedTestName();
};
