#pragma once

#include "monitor/ServeInstructions.h"

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

// File > "Lab monitor...": how to start the lab monitor (r7716-cli serve) for the open database and where
// a browser finds it. It starts nothing; Copy puts the text on the clipboard.
class frmLabMonitor : public QDialog {
    Q_OBJECT

  public:
    static inline const QString kCaption = QStringLiteral("Lab monitor");

    explicit frmLabMonitor(const monitor::ServeInstructions& instructions, QWidget* parent = nullptr);

    QPlainTextEdit* txtInstructions;
    QPushButton* cmdCopy;
    QPushButton* cmdClose;

  public slots:
    void cmdCopy_Click();
};
