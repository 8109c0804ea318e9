#include "app/qt/column_menu.h"

#include <QHeaderView>

namespace corvimap {

ColumnMenu::ColumnMenu(QHeaderView& header, int columns, TitleOf title_of, QWidget* parent)
    : QMenu(parent), header_(header), title_of_(std::move(title_of)) {
    for (int column = 0; column < columns; ++column) {
        QAction* item = addAction(title_of_(column));
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, column] { ToggleColumn(column); });
    }
}

void ColumnMenu::Retranslate() {
    const QList<QAction*> items = actions();
    for (int column = 0; column < items.size(); ++column) {
        items[column]->setText(title_of_(column));
    }
}

void ColumnMenu::RefreshChecks() {
    const QList<QAction*> items = actions();
    for (int column = 0; column < items.size(); ++column) {
        const bool shown = !header_.isSectionHidden(column) && header_.sectionSize(column) > 0;
        items[column]->setChecked(shown);
    }
}

void ColumnMenu::ToggleColumn(int column) {
    if (column < 0 || column >= header_.count()) {
        return;
    }
    const bool shown = !header_.isSectionHidden(column) && header_.sectionSize(column) >= 1;
    if (shown) {
        header_.hideSection(column);
    } else {
        header_.showSection(column);
        header_.resizeSection(column, kShownWidth);
    }
    RefreshChecks();
}

void ColumnMenu::ShowAt(const QPoint& global) {
    RefreshChecks();
    popup(global);
}

}  // namespace corvimap
