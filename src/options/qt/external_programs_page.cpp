#include "options/qt/external_programs_page.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "controls/qt/column_widths.h"
#include "controls/qt/list_view_state.h"
#include "controls/qt/option_texts.h"

namespace corvimap {
namespace {

struct Column {
    const char* title;
    int width;
};
// The caption of the parameter line's field and column, spelled so: it is the name assistive
// tools and scripts find both by, and changing it loses them.
constexpr char kParametersCaption[] = "Parametrs";
constexpr Column kColumns[] = {{"Description", 130}, {"Program", 90}, {kParametersCaption, 130}};

QStringList RowTexts(const ExternalProgram& entry) {
    return {QString::fromStdString(entry.description), QString::fromStdString(entry.program),
            QString::fromStdString(entry.parameters)};
}

}  // namespace

ExternalProgramsPage::ExternalProgramsPage(SettingsStore& store, QWidget* parent)
    : QWidget(parent),
      store_(store),
      list_(
          ReadExternalPrograms(store, kProgsListSection).value_or(std::vector<ExternalProgram>{})),
      row_icon_(style()->standardIcon(QStyle::SP_FileIcon)) {
    BuildControls();
    ListViewState::LoadColumns(*rows_->header(), store_, kProgsListColumnSection);
    ShowEntries();
}

ExternalProgramsPage::~ExternalProgramsPage() {
    // The rows were stored with every change; the column layout is stored when the page goes.
    ListViewState::SaveColumns(*rows_->header(), store_, kProgsListColumnSection);
}

void ExternalProgramsPage::BuildControls() {
    auto labelled_field = [this](QLabel*& label, QLineEdit*& field, const char* text,
                                 const char* name) {
        label = new QLabel(this);
        field = new QLineEdit(this);
        field->setObjectName(QLatin1String(name));
        label->setBuddy(field);
        SetControlText(label, QLatin1String(text));
    };
    labelled_field(description_label_, description_, "Description", "description");
    labelled_field(program_label_, program_, "External program", "program");
    labelled_field(parameters_label_, parameters_, kParametersCaption, "parameters");
    browse_ = new QPushButton(this);
    browse_->setObjectName(QStringLiteral("chooseProgram"));
    SetControlText(browse_, QStringLiteral(".."));
    browse_->setAccessibleName(QStringLiteral("Choose external program"));
    browse_->setMaximumWidth(30);

    rows_ = new QTreeWidget(this);
    rows_->setObjectName(QStringLiteral("programs"));
    rows_->setAccessibleName(QStringLiteral("External programs"));
    rows_->setRootIsDecorated(false);
    rows_->setUniformRowHeights(true);
    rows_->setAllColumnsShowFocus(true);
    rows_->setSelectionMode(QAbstractItemView::SingleSelection);
    rows_->setSelectionBehavior(QAbstractItemView::SelectRows);
    QStringList titles;
    for (const Column& column : kColumns) {
        titles << QLatin1String(column.title);
    }
    rows_->setHeaderLabels(titles);
    rows_->header()->setSectionsMovable(true);
    rows_->header()->setStretchLastSection(false);
    std::vector<ColumnDefault> defaults;
    for (const Column& column : kColumns) {
        defaults.push_back({column.width, {}});
    }
    UseDefaultColumnWidths(*rows_, std::move(defaults));

    add_ = new QPushButton(this);
    add_->setObjectName(QStringLiteral("addProgram"));
    SetControlText(add_, QStringLiteral("Add"));
    edit_ = new QPushButton(this);
    edit_->setObjectName(QStringLiteral("editProgram"));
    SetControlText(edit_, QStringLiteral("Edit"));
    delete_ = new QPushButton(this);
    delete_->setObjectName(QStringLiteral("deleteProgram"));
    SetControlText(delete_, QStringLiteral("Delete"));

    auto* fields = new QGridLayout;
    fields->addWidget(description_label_, 0, 0);
    fields->addWidget(description_, 0, 1, 1, 2);
    fields->addWidget(program_label_, 1, 0);
    fields->addWidget(program_, 1, 1);
    fields->addWidget(browse_, 1, 2);
    fields->addWidget(parameters_label_, 2, 0);
    fields->addWidget(parameters_, 2, 1, 1, 2);
    fields->setColumnStretch(1, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(add_);
    buttons->addWidget(edit_);
    buttons->addWidget(delete_);
    buttons->addStretch(1);
    auto* list_row = new QHBoxLayout;
    list_row->addWidget(rows_, 1);
    list_row->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(list_row, 1);

    connect(browse_, &QPushButton::clicked, this, &ExternalProgramsPage::ChooseProgram);
    connect(add_, &QPushButton::clicked, this, &ExternalProgramsPage::AddEntry);
    connect(edit_, &QPushButton::clicked, this, &ExternalProgramsPage::EditEntry);
    connect(delete_, &QPushButton::clicked, this, &ExternalProgramsPage::DeleteEntry);
    connect(rows_, &QTreeWidget::itemSelectionChanged, this, &ExternalProgramsPage::RowSelected);
}

void ExternalProgramsPage::ShowEntries() {
    rows_->clear();
    for (const ExternalProgram& entry : list_.Entries()) {
        auto* item = new QTreeWidgetItem(rows_, RowTexts(entry));
        item->setIcon(0, row_icon_);
    }
}

ExternalProgram ExternalProgramsPage::FieldsInput() const {
    return {description_->text().toStdString(), program_->text().toStdString(),
            parameters_->text().toStdString()};
}

void ExternalProgramsPage::ShowInFields(const ExternalProgram& fields) {
    description_->setText(QString::fromStdString(fields.description));
    program_->setText(QString::fromStdString(fields.program));
    parameters_->setText(QString::fromStdString(fields.parameters));
}

int ExternalProgramsPage::SelectedRow() const {
    const QList<QTreeWidgetItem*> selected = rows_->selectedItems();
    return selected.isEmpty() ? -1 : rows_->indexOfTopLevelItem(selected.front());
}

void ExternalProgramsPage::RowSelected() {
    const int row = SelectedRow();
    if (row >= 0 && static_cast<size_t>(row) < list_.Count()) {
        ShowInFields(list_.Entries()[static_cast<size_t>(row)]);
    }
}

void ExternalProgramsPage::AddEntry() {
    const ExternalProgram fields = FieldsInput();
    if (!list_.Add(fields)) {
        return;
    }
    auto* item = new QTreeWidgetItem(rows_, RowTexts(fields));
    item->setIcon(0, row_icon_);
    Changed(list_.Count() - 1);
}

void ExternalProgramsPage::EditEntry() {
    const int row = SelectedRow();
    const ExternalProgram fields = FieldsInput();
    if (row < 0 || !list_.Edit(static_cast<size_t>(row), fields)) {
        return;
    }
    const QStringList texts = RowTexts(fields);
    QTreeWidgetItem* item = rows_->topLevelItem(row);
    for (int column = 0; column < texts.size(); ++column) {
        item->setText(column, texts[column]);
    }
    Changed(static_cast<size_t>(row));
}

void ExternalProgramsPage::DeleteEntry() {
    const int row = SelectedRow();
    if (row < 0 || !list_.Delete(static_cast<size_t>(row))) {
        return;
    }
    // No other row is selected in its place, so the fields keep what they show.
    const QSignalBlocker blocker(rows_);
    delete rows_->takeTopLevelItem(row);
    rows_->clearSelection();
    Changed(static_cast<size_t>(row));
}

void ExternalProgramsPage::ChooseProgram() {
    if (chooser_ == nullptr) {
        chooser_ = new QFileDialog(this);
        chooser_->setObjectName(QStringLiteral("programChooser"));
        chooser_->setAcceptMode(QFileDialog::AcceptOpen);
        chooser_->setFileMode(QFileDialog::ExistingFile);
        const QString all_files = QStringLiteral("All Files (*)");
        chooser_->setNameFilters({QStringLiteral("Program files (*.exe *.com *.bat)"), all_files});
        // Programs here carry no extension, so the chooser starts on every file.
        chooser_->selectNameFilter(all_files);
        connect(chooser_, &QFileDialog::fileSelected, this, [this](const QString& path) {
            ShowInFields(FieldsForChosenProgram(FieldsInput(), path.toStdString()));
        });
    }
    chooser_->open();
}

void ExternalProgramsPage::Changed(size_t first_row) {
    WriteExternalProgramsFrom(store_, kProgsListSection, list_.Entries(), first_row);
    emit externalProgramsChanged();
}

}  // namespace corvimap
