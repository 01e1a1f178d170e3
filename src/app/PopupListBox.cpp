#include "PopupListBox.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QStyledItemDelegate>

namespace {

class TLineHeightDelegate : public QStyledItemDelegate
{
public:
    TLineHeightDelegate(int height, QObject* parent) : QStyledItemDelegate(parent), FHeight(height) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(FHeight);
        return size;
    }

private:
    int FHeight;
};

}  // namespace

TPopupListBox::TPopupListBox(int lineHeight, QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSortingEnabled(false);
    setUniformItemSizes(true);  // keeps filling the list with thousands of lines fast
    setItemDelegate(new TLineHeightDelegate(lineHeight, this));
}

int TPopupListBox::ItemIndex() const
{
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? -1 : row(selected.front());
}

void TPopupListBox::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QListWidget::mousePressEvent(event);
}

void TPopupListBox::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QListWidget::mouseReleaseEvent(event);
}

void TPopupListBox::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QListWidget::mouseDoubleClickEvent(event);
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
