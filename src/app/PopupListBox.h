#pragma once
#include <QListWidget>

class QMenu;
class TLineDelegate;

// The result list: single selection, unsorted, every line `lineHeight` pixels high. Once a line is
// selected, one line stays selected until the lines are replaced: the user moves the selection with
// the mouse or the keys but cannot empty it (a click below the last line, Ctrl+click on the selected
// line and Ctrl+Space change nothing). The right mouse button opens the pop-up menu without moving
// the selection or the current line (the stock list moves both to the clicked line first); the
// context-menu key opens it at the current line.
class TPopupListBox : public QListWidget
{
public:
    TPopupListBox(int lineHeight, QWidget* parent);
    void SetPopupMenu(QMenu* menu) { FPopupMenu = menu; }

    // Replaces every line by `lines`; the list scrolls sideways as far as the widest line needs.
    void SetLines(const QStringList& lines);

    // Row of the selected line, -1 when no line is selected.
    int ItemIndex() const;

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    int WidestLine(const QStringList& lines) const;

    QMenu* FPopupMenu = nullptr;
    TLineDelegate* FDelegate;
};
