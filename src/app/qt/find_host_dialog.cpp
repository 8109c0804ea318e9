#include "app/qt/find_host_dialog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "controls/qt/list_images.h"
#include "controls/qt/markup_list.h"

namespace corvimap {
namespace {

constexpr const char* kSection = "Network";
constexpr const char* kChoiceKey = "SearchWLType";

}  // namespace

FindHostDialog::FindHostDialog(MarkupListCtrl& list, SettingsStore& store, QWidget* parent)
    : QDialog(parent), list_(list), store_(store) {
    setWindowTitle(QStringLiteral("Search by ..."));
    auto* layout = new QVBoxLayout(this);
    auto* radios = new QHBoxLayout;
    auto* group = new QButtonGroup(this);
    const char* labels[] = {"IP", "Name", "Workgroup"};
    for (int choice = 0; choice < 3; ++choice) {
        choices_[choice] = new QRadioButton(QString::fromLatin1(labels[choice]), this);
        group->addButton(choices_[choice], choice);
        radios->addWidget(choices_[choice]);
    }
    layout->addLayout(radios);
    text_ = new QLineEdit(this);
    text_->setObjectName(QStringLiteral("searchText"));
    // The field has no label of its own; the dialog's title says what it is for.
    text_->setAccessibleName(QStringLiteral("Search text"));
    layout->addWidget(text_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &FindHostDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &FindHostDialog::reject);

    int stored = store_.GetProfileInt(kSection, kChoiceKey, 0);
    if (stored < 0 || stored > 2) {
        stored = 0;
    }
    choices_[stored]->setChecked(true);
    // Changing the choice alone does not search; the next change of the text does.
    connect(text_, &QLineEdit::textChanged, this, &FindHostDialog::Search);
    text_->setFocus();
}

int FindHostDialog::Choice() const {
    for (int choice = 0; choice < 3; ++choice) {
        if (choices_[choice]->isChecked()) {
            return choice;
        }
    }
    return 0;
}

int FindHostDialog::FindRow(const QAbstractItemModel& model, int column, const QString& text) {
    const int rows = model.rowCount();
    for (int row = 0; row < rows; ++row) {
        const QString cell = model.index(row, column).data(Qt::DisplayRole).toString();
        if (cell.startsWith(text, Qt::CaseInsensitive)) {
            return row;
        }
    }
    return -1;
}

void FindHostDialog::Search(const QString& text) {
    if (list_.model() == nullptr) {
        return;
    }
    const int row = FindRow(*list_.model(), kSearchedColumns[Choice()], text);
    if (row < 0) {
        return;
    }
    list_.ScrollToRow(row);
    list_.FlashRow(row, ListImages::kAnswered);
}

void FindHostDialog::accept() {
    store_.WriteProfileInt(kSection, kChoiceKey, Choice());
    QDialog::accept();
}

}  // namespace corvimap
