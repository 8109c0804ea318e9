#pragma once

#include <QDialog>
#include <array>

#include "settings/settings_store.h"

class QAbstractItemModel;
class QLineEdit;
class QRadioButton;

namespace corvimap {

class MarkupListCtrl;

// "Search by ...": jumps to the first host whose address, name or workgroup begins with what the
// user types, while they type. The found row is scrolled into view and its picture blinks; the
// selection stays as it was. OK remembers which field was searched ("SearchWLType").
class FindHostDialog final : public QDialog {
    Q_OBJECT
public:
    // Host list columns searched by the choices 0 ("IP"), 1 ("Name") and 2 ("Workgroup").
    static constexpr std::array<int, 3> kSearchedColumns = {0, 2, 5};

    FindHostDialog(MarkupListCtrl& list, SettingsStore& store, QWidget* parent = nullptr);

    int Choice() const;
    QRadioButton& ChoiceButton(int choice) { return *choices_[choice]; }
    QLineEdit& TextField() { return *text_; }

    // The first row whose cell in the column begins with the text, letter case aside; an empty
    // text matches the first row. -1 when no row matches.
    static int FindRow(const QAbstractItemModel& model, int column, const QString& text);

    void accept() override;

private:
    void Search(const QString& text);

    MarkupListCtrl& list_;
    SettingsStore& store_;
    std::array<QRadioButton*, 3> choices_{};
    QLineEdit* text_ = nullptr;
};

}  // namespace corvimap
