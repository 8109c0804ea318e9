#pragma once

#include <QFrame>
#include <QTimer>
#include <cstddef>

#include "engine/host_table.h"

class QLabel;
class QPlainTextEdit;

namespace corvimap {

class MarkupListCtrl;
class StoredRowsModel;

// The small borderless window that follows the cursor over the host list: the host's name and
// address in red, an (empty) text area, and the host's shares, each opened by a single click.
// The host list pane decides when it shows and for which row.
class HostInfoWindow final : public QFrame {
    Q_OBJECT
public:
    static constexpr int kHideDelayMs = 450;
    static constexpr int kWidth = 260;

    explicit HostInfoWindow(const HostTable& table, QWidget* parent = nullptr);
    ~HostInfoWindow() override;

    // Fills the window for a host row, sizes it and shows it beside the host list without taking
    // the focus. `list_rect` is the host list's rectangle on screen, `mouse_y` the cursor's
    // screen y. A row that no longer exists hides the window.
    void FillForRow(std::size_t row, const QRect& list_rect, int mouse_y);
    // Shows the window again as it was last filled.
    void ShowAgain();

    void StartHideTimer();
    void StopHideTimer();
    const QTimer& HideTimer() const { return hide_timer_; }

    QString Title() const;
    // The line under the title: the MAC's vendor ("Vendor: ..."), empty when none is known.
    QString InfoText() const;
    MarkupListCtrl& ShareList() { return *share_list_; }
    const StoredRowsModel& Shares() const { return *shares_; }
    // Where the share list starts, from the window's top.
    int ShareListTop() const;

signals:
    // A share row was clicked: its network path ("\\address\share").
    void ShareActivated(const QString& path);

protected:
    void enterEvent(QEnterEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SizeToContents(int list_height);
    void Place(const QRect& list_rect, int mouse_y);
    void OnShareClicked(const QModelIndex& index);

    const HostTable& table_;
    QLabel* title_ = nullptr;
    QPlainTextEdit* text_area_ = nullptr;
    MarkupListCtrl* share_list_ = nullptr;
    StoredRowsModel* shares_ = nullptr;
    QTimer hide_timer_;
};

}  // namespace corvimap
