#include "PopupListBox.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <algorithm>
#include <utility>
#include <vector>

// Every line has the same size: the list's line height, and the width of the widest line.
class TLineDelegate : public QStyledItemDelegate
{
public:
    TLineDelegate(int height, QObject* parent) : QStyledItemDelegate(parent), FHeight(height) {}
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override { return {FWidth, FHeight}; }
    void SetWidth(int width) { FWidth = width; }
    // The width the line at `index` needs to show whole, margins included.
    int NaturalWidth(const QStyleOptionViewItem& option, const QModelIndex& index) const
    {
        return QStyledItemDelegate::sizeHint(option, index).width();
    }

private:
    int FHeight;
    int FWidth = 0;
};

TPopupListBox::TPopupListBox(int lineHeight, QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSortingEnabled(false);
    setUniformItemSizes(true);  // keeps filling the list with thousands of lines fast
    FDelegate = new TLineDelegate(lineHeight, this);
    setItemDelegate(FDelegate);
}

void TPopupListBox::SetLines(const QStringList& lines)
{
    clear();
    addItems(lines);
    FDelegate->SetWidth(WidestLine(lines));
    scheduleDelayedItemsLayout();  // the size of every line is taken anew from the delegate
}

int TPopupListBox::WidestLine(const QStringList& lines) const
{
    // Measuring thousands of lines costs more than the search itself, so the width is estimated
    // first (a full-width character counts twice a half-width one, as in Shift-JIS bytes) and only
    // the lines of the largest estimates are measured.
    constexpr std::size_t Measured = 32;
    std::vector<std::pair<qsizetype, qsizetype>> estimates;  // (estimated width, line)
    estimates.reserve(static_cast<std::size_t>(lines.size()));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        qsizetype width = 0;
        for (const QChar c : lines[i]) width += c.unicode() < 0x80 || (c.unicode() >= 0xFF61 && c.unicode() <= 0xFF9F) ? 1 : 2;
        estimates.emplace_back(width, i);
    }
    const std::size_t measured = std::min(Measured, estimates.size());
    std::partial_sort(estimates.begin(), estimates.begin() + static_cast<std::ptrdiff_t>(measured), estimates.end(),
                      [](const auto& a, const auto& b) { return a.first > b.first; });
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    int widest = 0;
    for (std::size_t i = 0; i < measured; ++i)
        widest = std::max(widest, FDelegate->NaturalWidth(option, model()->index(static_cast<int>(estimates[i].second), 0)));
    return widest;
}

int TPopupListBox::ItemIndex() const
{
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? -1 : row(selected.front());
}

QItemSelectionModel::SelectionFlags TPopupListBox::selectionCommand(const QModelIndex& index,
                                                                   const QEvent* event) const
{
    // Every mouse and key action asks here what to do with the selection. The stock list clears it
    // for a press on no line and deselects or toggles the selected line under Ctrl; only "select this
    // one line" is let through, so a selected line is never taken away by the user.
    const QItemSelectionModel::SelectionFlags command = QListWidget::selectionCommand(index, event);
    const bool selectsOneLine = index.isValid() && command.testFlag(QItemSelectionModel::Select) &&
                                !command.testAnyFlags(QItemSelectionModel::Deselect | QItemSelectionModel::Toggle);
    return selectsOneLine ? command : QItemSelectionModel::NoUpdate;
}

namespace {

// The right button is the pop-up menu's alone: its presses, releases and double clicks are taken
// here and never reach the list, so they neither select nor move the current line.
bool TakeRightButton(QMouseEvent* event)
{
    if (event->button() != Qt::RightButton) return false;
    event->accept();
    return true;
}

}  // namespace

void TPopupListBox::mousePressEvent(QMouseEvent* event)
{
    if (!TakeRightButton(event)) QListWidget::mousePressEvent(event);
}

void TPopupListBox::mouseReleaseEvent(QMouseEvent* event)
{
    if (!TakeRightButton(event)) QListWidget::mouseReleaseEvent(event);
}

void TPopupListBox::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (!TakeRightButton(event)) QListWidget::mouseDoubleClickEvent(event);
}

void TPopupListBox::contextMenuEvent(QContextMenuEvent* event)
{
    if (!FPopupMenu) return;
    QPoint at = event->globalPos();
    if (event->reason() != QContextMenuEvent::Mouse && currentItem())
        at = viewport()->mapToGlobal(visualItemRect(currentItem()).bottomLeft());
    FPopupMenu->popup(at);
    event->accept();
}
