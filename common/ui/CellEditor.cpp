#include "common/ui/CellEditor.h"

#include "common/ui/FlexGrid.h"

#include <QFocusEvent>
#include <QScrollBar>

CellEditor::CellEditor(FlexGrid* grid, Selection selection)
    : QLineEdit(grid->viewport()), grid_(grid), selection_(selection) {
    hide();
    for (QScrollBar* s : {grid->verticalScrollBar(), grid->horizontalScrollBar()})
        connect(s, &QScrollBar::valueChanged, this, &CellEditor::commit);
}

void CellEditor::setHiddenMask(const QString& mask) {
    hiddenMask_ = mask;
    if (!isVisible()) setInputMask(mask);
}

void CellEditor::open(int row, int col) {
    commit();
    if (row < 1 || row >= grid_->Rows()) return;
    row_ = row;
    col_ = col;
    setInputMask(QString());
    const QString text = grid_->TextMatrix(row, col);
    setText(text);
    setGeometry(grid_->cellRect(row, col));
    show();
    raise();
    setFocus();
    if (selection_ == Selection::All)
        selectAll();
    else if (text.size() > 1)
        setSelection(1, static_cast<int>(text.size()) - 1);
}

void CellEditor::commit() {
    if (!isVisible()) return;
    // Hidden first, so that the focus leaving it does not write the text a second time.
    hide();
    grid_->setTextMatrix(row_, col_, text());
    clear();
    setInputMask(hiddenMask_);
}

void CellEditor::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    const Qt::FocusReason reason = event->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) commit();
}
