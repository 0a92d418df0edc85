#pragma once

#include "analysis/ModelTables.h"
#include "analysis/OpenTest.h"
#include "common/UnitSystem.h"

#include <QWidget>

#include <array>
#include <functional>
#include <optional>
#include <vector>

class Messenger;
class QLabel;
class QPushButton;
class QTabWidget;
class QTableWidget;

// "Extended Results": beside the main window's results table, the open test's ramps under every model - the
// power law with K'pipe, Bingham plastic and Herschel-Bulkley - with R^2, standard errors and the
// viscosities at 40, 100, 170 1/s and at the chosen shear rates of "rates.txt", one tab per model, in the
// unit system shown. The main window opens it and hands it the open test whenever it draws the test; the
// cells come from model_tables.
class frmExtendedResults : public QWidget {
    Q_OBJECT

  public:
    static constexpr const char* kCaption = "Extended Results";

    // The shear-rate dialog as the window runs it: given the rates in force, the rates saved, or nothing
    // when the operator cancelled. Replaceable so that a test can answer it.
    using RatesEditor = std::function<std::optional<std::vector<double>>(const std::vector<double>&)>;

    explicit frmExtendedResults(Messenger& messenger, QWidget* parent = nullptr);

    // Shows the test's ramps (none while test is null). The test must stay alive until the next call.
    void ShowTest(const OpenedTest* test, UnitSystem unitSystem);
    // Reads "rates.txt" of the working directory again; what is wrong with it is shown once per read.
    void ReadRates();
    const std::vector<double>& Rates() const { return rates_; }
    void setRatesEditor(RatesEditor editor) { ratesEditor_ = std::move(editor); }

    QLabel* lblTest;
    QLabel* lblRates;
    QPushButton* cmdRates;
    QTabWidget* tabModels;
    // One table per model, in the order of model_tables::kModels.
    std::array<QTableWidget*, std::size(model_tables::kModels)> grids{};

  public slots:
    void cmdRates_Click();

  private:
    void redraw();

    Messenger& messenger_;
    RatesEditor ratesEditor_;
    std::vector<double> rates_;
    const OpenedTest* test_ = nullptr;
    UnitSystem unitSystem_ = UnitSystem::CGS;
};
