#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The about box: the program's picture, its version and where to buy it. Shown modal from the Help menu.
class frmAbout : public QDialog {
    Q_OBJECT

  public:
    // The version line: this text, then the program's version as the build sets it.
    static constexpr const char* kVersionCaption = "Version ";
    static constexpr const char* kPromotion =
        "For R7716 HPHT rheometers, bobs, rotors and their service, write "
        "to\nsales@r7716-instruments.example";

    explicit frmAbout(QWidget* parent = nullptr);

    QLabel* Image1;
    QLabel* lblVersion;
    QLabel* lblPromotion;
    QPushButton* Command1;

  public slots:
    void Command1_Click();
};
