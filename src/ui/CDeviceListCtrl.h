#pragma once
// The device list: a report view over DeviceListModel with single, full-row
// selection and grid lines. Mouse clicks are reported with the row under the
// pointer (-1 below the last row), as the main window needs them. Ctrl+C and
// Ctrl+A copy MAC addresses to the clipboard.
#include <QColor>
#include <QTableView>

namespace fendrix {

class CDeviceHeaderCtrl;
class DeviceListModel;

class CDeviceListCtrl : public QTableView {
    Q_OBJECT
public:
    // Extra pixels added to the style's default row height.
    static constexpr int kExtraRowHeight = 10;

    explicit CDeviceListCtrl(QWidget* parent = nullptr);

    void setDeviceModel(DeviceListModel* model);
    // Row height = the style's default for the current font + kExtraRowHeight.
    void enlargeRows();
    DeviceListModel* deviceModel() const { return model_; }
    CDeviceHeaderCtrl* deviceHeader() const { return header_; }

    // First selected row from the top, -1 when none.
    int firstSelectedRow() const;
    // The row holding the selection mark (the current index), -1 when none.
    int selectionMark() const;
    int rowAtViewport(const QPoint& pos) const;

    // The "MAC Address" cell of the selected row; all rows' cells, each
    // followed by CR LF; of each cell only what a MAC text may hold. Both do
    // nothing without a selected row. False only when there is no clipboard.
    bool CopySelectedMac();
    bool CopyAllMacs();
    static bool PutTextOnClipboard(const QString& text);

signals:
    void rowClicked(int row);
    void rowRightClicked(int row, const QPoint& globalPos);
    void rowDoubleClicked();

public:
    void reset() override;
    void doItemsLayout() override;

protected:
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void showSelection(bool shown);
    QString copiedMac(int row) const;

    CDeviceHeaderCtrl* header_;
    QColor highlight_;
    QColor highlightedText_;
    DeviceListModel* model_ = nullptr;
    // Since the last layout, rows were appended only below the last one
    // shown: the scroll range changes, not what the list shows.
    bool appendedOutOfSight_ = false;
    bool fullLayoutDue_ = false;
};

}  // namespace fendrix
