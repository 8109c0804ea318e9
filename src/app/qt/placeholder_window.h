#pragma once

#include <QWidget>

#include "app/qt/startup.h"

namespace corvimap {

// Stands in for the program window until the real one exists: shows the current group's scan
// settings so a start can be checked by eye.
class PlaceholderWindow final : public QWidget {
    Q_OBJECT
public:
    explicit PlaceholderWindow(AppContext& context, QWidget* parent = nullptr);
};

}  // namespace corvimap
