#include "app/qt/placeholder_window.h"

#include <QLabel>
#include <QVBoxLayout>

namespace corvimap {

PlaceholderWindow::PlaceholderWindow(AppContext& context, QWidget* parent) : QWidget(parent) {
    setWindowTitle("Corvimap");
    setMinimumSize(516, 455);
    auto* layout = new QVBoxLayout(this);
    const ScanSettings& settings = context.scan_settings;
    auto* label = new QLabel(QString("Corvimap\n\nScan flags 0x%1, ping timeout %2 ms, "
                                     "rescan every %3 min, %4 scan threads")
                                 .arg(settings.FlagsGroup0.load(), 0, 16)
                                 .arg(settings.PingTimeout.load())
                                 .arg(settings.ScanEvery.load())
                                 .arg(settings.ThreadsOfScan.load()),
                             this);
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
}

}  // namespace corvimap
