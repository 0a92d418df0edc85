#pragma once

#include "analysis/CriteriaForm.h"
#include "analysis/OpenTestSession.h"

#include <QDialog>

class Messenger;
class QComboBox;
class QPushButton;
class QTableWidget;
class clsConnection;

// "Acceptance Criteria" of the open test: one row per criterion (shear rate, at least or at most, the
// viscosity, the duration, the temperature the clock starts at, and whose viscosity is judged). Save
// stores them for the test and judges it again at once; the criteria saved with a sequence can be taken
// over, and these saved with a sequence for its later tests.
class frmCriteria : public QDialog {
    Q_OBJECT
  public:
    static constexpr const char* kCaption = "Acceptance Criteria";
    enum Column { Rate, Kind, Limit, Minutes, MinTemp, Source, ColumnCount };

    // unitSystem: the temperature is typed and shown in its degrees (degC under SI).
    frmCriteria(OpenTestSession& session, clsConnection& connection, Messenger& messenger,
                UnitSystem unitSystem, QWidget* parent = nullptr);

    QTableWidget* grdCriteria;
    QComboBox* cmbSequence;
    QPushButton* cmdAdd;
    QPushButton* cmdRemove;
    QPushButton* cmdFromSequence;
    QPushButton* cmdToSequence;
    QPushButton* cmdSave;
    QPushButton* cmdCancel;

    QList<criteria_form::Row> Rows() const;
    void SetRows(const QList<criteria_form::Row>& rows);

    void cmdAdd_Click();
    void cmdRemove_Click();
    void cmdFromSequence_Click();
    void cmdToSequence_Click();
    // Stores the rows as the test's criteria; the window closes when they are stored.
    void cmdSave_Click();

  signals:
    void changed(const OpenTestSession::Change& change);

  private:
    void addRow(const criteria_form::Row& row);
    // The rows' criteria; nothing after a message naming what is wrong.
    std::optional<std::vector<store::criteria::Criterion>> criteria();

    OpenTestSession& session_;
    clsConnection& connection_;
    Messenger& messenger_;
    UnitSystem unitSystem_;
};
