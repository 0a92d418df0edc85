#pragma once

#include "analysis/CompareTests.h"

#include <QDialog>

#include <functional>
#include <vector>

class Messenger;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTableWidget;
class Settings;
class TestChart2D;
class clsConnection;

// "Compare Tests": two or more stored tests, ticked in the list, side by side: their viscosity (apparent,
// or fitted at a shear rate) and sample temperature against minutes from each test's start in one chart,
// and their fitted results and criteria in one table, which can be exported as CSV or as a workbook.
class frmCompareTests : public QDialog {
    Q_OBJECT
  public:
    static constexpr const char* kCaption = "Compare Tests";
    static constexpr const char* kTooFew = "Tick two or more tests to compare.";

    frmCompareTests(clsConnection& connection, Messenger& messenger, const Settings& settings,
                    QWidget* parent = nullptr);

    QListWidget* lstTests;
    QRadioButton* optApparent;
    QRadioButton* optFitted;
    QLineEdit* txtRate;
    QPushButton* cmdCompare;
    QPushButton* cmdCsv;
    QPushButton* cmdExcel;
    QPushButton* cmdClose;
    TestChart2D* Chart;
    QTableWidget* grdTable;

    // Ticks the tests of these names in the list.
    void Check(const QStringList& names);
    QStringList Checked() const;

    // Reads the ticked tests and shows them; a message when fewer than two are ticked or one cannot be read.
    void cmdCompare_Click();
    void cmdCsv_Click();
    void cmdExcel_Click();

    const compare_tests::Table& Table() const { return table_; }

    // The save dialog: the file chosen, empty when cancelled (a test names the file).
    std::function<QString(QWidget* parent, const QString& caption, const QString& suggested,
                          const QString& filter)>
        saveFileName;

  private:
    void showTable();
    void exportTo(const QString& filter, const QString& suffix, bool workbook);

    clsConnection& connection_;
    Messenger& messenger_;
    const Settings& settings_;
    std::vector<OpenedTest> tests_;
    compare_tests::Table table_;
};
