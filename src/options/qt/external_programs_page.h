#pragma once

#include <QIcon>
#include <QWidget>
#include <vector>

#include "options/external_programs.h"
#include "settings/settings_store.h"

class QFileDialog;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace corvimap {

// The "External programs" page of the options: the programs the host list's context menu
// offers, each with a description, a program path and a parameter line with "%a" for the host's
// address. The list is the store while the program runs; it is written to "Progs\ProgsList"
// after every change, and its column layout to "Progs\ProgsListColumn" when the page goes.
class ExternalProgramsPage final : public QWidget {
    Q_OBJECT
public:
    explicit ExternalProgramsPage(SettingsStore& store, QWidget* parent = nullptr);
    ~ExternalProgramsPage() override;

    // The entries in list order, as the context menu offers them (at most 256).
    const std::vector<ExternalProgram>& Entries() const { return list_.Entries(); }

signals:
    // An entry was added, edited or deleted: the context menu reads the entries again.
    void externalProgramsChanged();

private:
    void BuildControls();
    void ShowEntries();
    ExternalProgram FieldsInput() const;
    void ShowInFields(const ExternalProgram& fields);
    int SelectedRow() const;
    void RowSelected();
    void AddEntry();
    void EditEntry();
    void DeleteEntry();
    void ChooseProgram();
    // Stores the rows from the first changed one on and announces the change.
    void Changed(size_t first_row);

    SettingsStore& store_;
    ExternalProgramList list_;
    QIcon row_icon_;

    QLabel* description_label_ = nullptr;
    QLineEdit* description_ = nullptr;
    QLabel* program_label_ = nullptr;
    QLineEdit* program_ = nullptr;
    QPushButton* browse_ = nullptr;
    QLabel* parameters_label_ = nullptr;
    QLineEdit* parameters_ = nullptr;
    QTreeWidget* rows_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* edit_ = nullptr;
    QPushButton* delete_ = nullptr;
    QFileDialog* chooser_ = nullptr;
};

}  // namespace corvimap
