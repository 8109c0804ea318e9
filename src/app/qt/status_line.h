#pragma once

#include <QString>
#include <QWidget>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "controls/window_layout.h"

namespace corvimap {

// What the host list pane's status line counts: hosts found since the current or last scan
// started, and the records of the host table.
struct HostCounts {
    uint32_t found = 0;
    std::size_t total = 0;
};

// The status line's text for an update of pane: the host counts before the text for the host
// list pane ("Hosts: 3/10  text"), the text alone for every other pane.
std::string StatusLineText(int pane, const std::string& text, HostCounts counts);

// The one-line status above the panes. An update names the pane it belongs to and shows only
// while that pane is current; updates of other panes are dropped.
class StatusLine final : public QWidget {
    Q_OBJECT
public:
    StatusLine(std::function<HostCounts()> counts, QWidget* parent = nullptr);

    void SetCurrentPane(int pane) { current_pane_ = pane; }
    int CurrentPane() const { return current_pane_; }

    // True when the update was shown.
    bool Update(int pane, const std::string& text);
    // Shows text as it is, whatever pane is current (the first "Loading...").
    void SetText(const QString& text);
    QString Text() const { return text_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::function<HostCounts()> counts_;
    int current_pane_ = kNoPane;
    QString text_;
};

}  // namespace corvimap
