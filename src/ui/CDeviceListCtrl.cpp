#include "ui/CDeviceListCtrl.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPalette>

#include "discovery/row_texts.h"
#include "ui/CDeviceHeaderCtrl.h"
#include "ui/DeviceListModel.h"

namespace fendrix {

namespace {
// Shows the wait cursor for the lifetime of the object.
class WaitCursor {
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};
}  // namespace

CDeviceListCtrl::CDeviceListCtrl(QWidget* parent)
    : QTableView(parent), header_(new CDeviceHeaderCtrl(this)) {
    setHorizontalHeader(header_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setShowGrid(true);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setFrameShape(QFrame::Box);
    setFrameShadow(QFrame::Plain);
    setLineWidth(1);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    // A list view has no row header; its rows are a fixed height that does
    // not depend on when the first row arrives.
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    enlargeRows();

    // The selected row shows as selected only while the list has the focus.
    const QPalette pal = palette();
    highlight_ = pal.color(QPalette::Active, QPalette::Highlight);
    highlightedText_ = pal.color(QPalette::Active, QPalette::HighlightedText);
    showSelection(false);
}

void CDeviceListCtrl::enlargeRows() {
    QHeaderView* rows = verticalHeader();
    rows->resetDefaultSectionSize();
    rows->setDefaultSectionSize(rows->defaultSectionSize() + kExtraRowHeight);
}

void CDeviceListCtrl::setDeviceModel(DeviceListModel* model) {
    model_ = model;
    setModel(model);
}

void CDeviceListCtrl::reset() {
    fullLayoutDue_ = true;
    QTableView::reset();
}

void CDeviceListCtrl::rowsInserted(const QModelIndex& parent, int start, int end) {
    // A burst appends rows many times a second, far below the rows shown; a
    // layout repaints the whole list, which cost a burst's window as much as
    // taking the replies.
    const int lastShown = rowAt(viewport()->height() - 1);
    if (lastShown >= 0 && start > lastShown) appendedOutOfSight_ = true;
    else fullLayoutDue_ = true;
    QTableView::rowsInserted(parent, start, end);
}

void CDeviceListCtrl::doItemsLayout() {
    const bool scrollRangeOnly = appendedOutOfSight_ && !fullLayoutDue_;
    appendedOutOfSight_ = fullLayoutDue_ = false;
    if (!scrollRangeOnly) {
        QTableView::doItemsLayout();
        return;
    }
    updateGeometries();
}

int CDeviceListCtrl::firstSelectedRow() const {
    if (!selectionModel()) return -1;
    int first = -1;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        if (first < 0 || index.row() < first) first = index.row();
    return first;
}

int CDeviceListCtrl::selectionMark() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

int CDeviceListCtrl::rowAtViewport(const QPoint& pos) const {
    const QModelIndex index = indexAt(pos);
    return index.isValid() ? index.row() : -1;
}

void CDeviceListCtrl::mouseReleaseEvent(QMouseEvent* event) {
    QTableView::mouseReleaseEvent(event);
    const int row = rowAtViewport(event->position().toPoint());
    if (event->button() == Qt::LeftButton) emit rowClicked(row);
    else if (event->button() == Qt::RightButton)
        emit rowRightClicked(row, event->globalPosition().toPoint());
}

void CDeviceListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) emit rowDoubleClicked();
}

// Both the row background and the cells take the highlight from the
// palette, so hiding the selection means painting it like the rest.
void CDeviceListCtrl::showSelection(bool shown) {
    QPalette pal = palette();
    const QColor base = pal.color(QPalette::Active, QPalette::Base);
    const QColor text = pal.color(QPalette::Active, QPalette::Text);
    pal.setColor(QPalette::Active, QPalette::Highlight, shown ? highlight_ : base);
    pal.setColor(QPalette::Active, QPalette::HighlightedText, shown ? highlightedText_ : text);
    pal.setColor(QPalette::Inactive, QPalette::Highlight, base);
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText, text);
    setPalette(pal);
    viewport()->update();
}

void CDeviceListCtrl::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    showSelection(true);
}

void CDeviceListCtrl::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    showSelection(false);
}

void CDeviceListCtrl::contextMenuEvent(QContextMenuEvent* event) {
    // The right-button release opens the list's own menu; the event must not
    // travel on to the window's menu.
    event->accept();
}

void CDeviceListCtrl::keyPressEvent(QKeyEvent* event) {
    // Only while the list itself has the focus, and not with Alt (system
    // keys); Shift is not examined.
    const bool copy = (event->key() == Qt::Key_A || event->key() == Qt::Key_C) &&
                      (event->modifiers() & Qt::ControlModifier) &&
                      !(event->modifiers() & Qt::AltModifier) &&
                      QApplication::focusWidget() == this;
    if (!copy) {
        QTableView::keyPressEvent(event);
        return;
    }
    if (event->key() == Qt::Key_A) CopyAllMacs();
    else CopySelectedMac();
    event->accept();
}

QString CDeviceListCtrl::copiedMac(int row) const {
    const QByteArray cell = model_->cell(row, kestrel::ColMacAddress).toLatin1();
    return QString::fromLatin1(kestrel::macTextCharacters(
        std::string_view(cell.constData(), static_cast<std::size_t>(cell.size()))));
}

bool CDeviceListCtrl::CopySelectedMac() {
    if (firstSelectedRow() < 0 || !model_) return true;
    const WaitCursor wait;
    QString text;
    for (int row = 0; row < model_->rowCount(); ++row)
        if (selectionModel()->isRowSelected(row, {})) text += copiedMac(row);
    return PutTextOnClipboard(text);
}

bool CDeviceListCtrl::CopyAllMacs() {
    if (firstSelectedRow() < 0 || !model_) return true;
    const WaitCursor wait;
    QString text;
    for (int row = 0; row < model_->rowCount(); ++row)
        text += copiedMac(row) + QStringLiteral("\r\n");
    return PutTextOnClipboard(text);
}

bool CDeviceListCtrl::PutTextOnClipboard(const QString& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return false;
    clipboard->setText(text);
    return true;
}

}  // namespace fendrix
