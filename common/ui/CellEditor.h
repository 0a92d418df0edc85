#pragma once

#include <QLineEdit>

class FlexGrid;

// The in-cell editor of a grid (the windows' txtOverlap): a box laid over one value cell while it is edited,
// whose text goes back into that cell when the edit ends. It ends when the box loses the focus (not when
// another window, a message box, only takes the activation: the edit stays open behind it), when the grid
// scrolls (the box would sit over another cell), and when the window commits it before a command.
class CellEditor : public QLineEdit {
    Q_OBJECT
  public:
    // What of the cell's text is selected when an edit begins.
    enum class Selection { All, FromSecondCharacter };

    // A child of the grid's viewport, hidden until an edit begins.
    CellEditor(FlexGrid* grid, Selection selection);

    // Lays the editor over the value cell (rows from 1) with the cell's text, and gives it the focus; an open
    // edit is committed first. A row outside the value rows only commits.
    void open(int row, int col);
    // Writes an open edit into its cell and hides the editor; nothing when no edit is open.
    void commit();
    // The cell of the last edit (rows from 1).
    int row() const { return row_; }
    int col() const { return col_; }
    // An input mask the editor keeps while hidden; none while it edits.
    void setHiddenMask(const QString& mask);

  protected:
    void focusOutEvent(QFocusEvent* event) override;

  private:
    FlexGrid* grid_;
    Selection selection_;
    QString hiddenMask_;
    int row_ = 0;
    int col_ = 0;
};
