#pragma once

#include <QDialog>

#include <vector>

class Messenger;
class QLabel;
class QLineEdit;
class QPushButton;

// "Shear Rates": the shear rates at which the extended results give every model's viscosity besides 40, 100
// and 170 1/s, typed as one list ("511, 1022"). OK checks the list and saves it to "rates.txt"; a list with
// a wrong item or a file that cannot be written is reported and the dialog stays open.
class frmShearRates : public QDialog {
    Q_OBJECT

  public:
    static constexpr const char* kCaption = "Shear Rates";

    frmShearRates(Messenger& messenger, const std::vector<double>& rates, QWidget* parent = nullptr);

    // The rates saved by OK.
    const std::vector<double>& Rates() const { return rates_; }

    QLabel* Label1;
    QLineEdit* txtRates;
    QPushButton* cmdOk;
    QPushButton* cmdCancel;

  public slots:
    void cmdOk_Click();

  private:
    Messenger& messenger_;
    std::vector<double> rates_;
};
