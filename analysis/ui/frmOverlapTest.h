#pragma once

#include <QDialog>
#include <QStringList>

#include <memory>

class Messenger;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class clsConnection;
class clsTEST_INFO;

// "Overlap Saved Test": the stored tests, newest first, to choose the one whose readings are overlapped
// on the open test's chart. A reduced twin of the open-test dialog: no delete, no search while typing, and
// its list is built once, when the dialog is first shown. The main window creates one, keeps it and shows
// it modal; OK or a double click raise overSelected, the main window reads the name box.
class frmOverlapTest : public QDialog {
    Q_OBJECT

  public:
    static constexpr const char* kCaption = "Overlap Saved Test";
    static constexpr const char* kLabel2 = "or, please input your test result name:";
    static constexpr int kColumnWidth_twips = 1800;
    static constexpr int kHeaderHeight_twips = 600;

    frmOverlapTest(clsConnection& connection, Messenger& messenger, QWidget* parent = nullptr);
    ~frmOverlapTest() override;

    // The three header cells of the list; a line break inside a cell is a carriage return.
    static QStringList HeaderCells();
    // The first column of the list: what the overlap checks the name against.
    QStringList ListedNames() const;

    QTableWidget* MSFlexGrid1;
    QLabel* Label2;
    QLineEdit* txtSeqName;
    QPushButton* cmdOk;
    QPushButton* cmdCancel;

  signals:
    void overSelected();

  public slots:
    void cmdOk_Click();
    void cmdCancel_Click();
    void MSFlexGrid1_Click(int row, int column);
    void MSFlexGrid1_DblClick(int row, int column);
    // Builds the list, the first time only.
    void Form_Load();

  protected:
    void showEvent(QShowEvent* event) override;
    // The title bar's close box is refused: Cancel hides the dialog.
    void closeEvent(QCloseEvent* event) override;

  private:
    clsConnection& connection_;
    Messenger& messenger_;
    std::unique_ptr<clsTEST_INFO> info_;
    bool loaded_ = false;
};
