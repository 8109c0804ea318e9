#pragma once

#include <QMenu>
#include <functional>

class QHeaderView;

namespace corvimap {

// The host list header's menu: one checkable item per column, checked while the column is shown.
// Choosing an item hides a shown column (width 0) or shows a hidden one at 70 pixels.
class ColumnMenu final : public QMenu {
    Q_OBJECT
public:
    static constexpr int kShownWidth = 70;

    using TitleOf = std::function<QString(int column)>;
    ColumnMenu(QHeaderView& header, int columns, TitleOf title_of, QWidget* parent = nullptr);

    // Item texts in the current language.
    void Retranslate();
    // Checks the items of the columns that are wider than 0.
    void RefreshChecks();
    void ToggleColumn(int column);
    // Refreshes the checks and pops the menu up at a screen position.
    void ShowAt(const QPoint& global);

private:
    QHeaderView& header_;
    TitleOf title_of_;
};

}  // namespace corvimap
