#include "app/qt/status_line.h"

#include <QPainter>

#include "controls/window_layout.h"
#include "text/builtin_strings.h"
#include "text/string_table.h"

namespace corvimap {

std::string StatusLineText(int pane, const std::string& text, HostCounts counts) {
    if (pane != kHostListPane) {
        return text;
    }
    return std::string(StringTable::Lookup(text_id::kHosts)) + ": " + std::to_string(counts.found) +
           "/" + std::to_string(counts.total) + "  " + text;
}

StatusLine::StatusLine(std::function<HostCounts()> counts, QWidget* parent)
    : QWidget(parent), counts_(std::move(counts)) {
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
    setAttribute(Qt::WA_OpaquePaintEvent);
    SetText("Loading...");
}

bool StatusLine::Update(int pane, const std::string& text) {
    if (pane != current_pane_) {
        return false;
    }
    const HostCounts counts = counts_ ? counts_() : HostCounts{};
    SetText(QString::fromStdString(StatusLineText(pane, text, counts)));
    return true;
}

void StatusLine::SetText(const QString& text) {
    if (text == text_) {
        return;
    }
    text_ = text;
    setAccessibleName(text_);
    update();
}

QSize StatusLine::sizeHint() const {
    return {200, fontMetrics().height() + 4};
}

void StatusLine::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = rect();
    painter.fillRect(area, palette().color(QPalette::Base));
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(area.adjusted(0, 0, -1, -1));
    painter.setPen(palette().color(QPalette::Text));
    const QRect text_area = area.adjusted(4, 0, -4, 0);
    painter.drawText(text_area, Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(text_, Qt::ElideRight, text_area.width()));
}

}  // namespace corvimap
