#pragma once

#include <QWidget>
#include <cstdint>
#include <filesystem>

#include "settings/scan_settings.h"
#include "settings/settings_store.h"

class QCheckBox;
class QFileDialog;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace corvimap {

class NumberField;

// The "Log" page of the options: switches the event log and its file, chooses and deletes the
// file, sets the list and file sizes, and picks the events that are recorded. The switches are
// bits 7 to 22 of the scan flags and count at once; the rest lives in section "LogOptions".
class LogOptionsPage final : public QWidget {
    Q_OBJECT
public:
    // The event tree is filled this long after the page is first shown.
    static constexpr int kTreeFillDelayMs = 99;

    LogOptionsPage(SettingsStore& store, ScanSettings& settings, QWidget* parent = nullptr);

    // Shows the scan flags in the check boxes and the event tree (done each time the page is
    // shown, so that a change of group shows the new group's choices).
    void ShowFlags();
    // "None", or the size of the log file in bytes.
    QString LogFileSizeText() const;
    bool TreeFilled() const { return tree_filled_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // The page's controls, one function per group of them, each made in focus order.
    void BuildControls();
    // A box for one bit of the scan flags; a change updates the flags and the enabled states.
    QCheckBox* MakeFlagBox(const char* text, const char* name, uint32_t mask);
    QHBoxLayout* BuildNumberRow(QLabel*& label, NumberField*& field, const char* text,
                                const char* name);
    QHBoxLayout* BuildPathRow();
    QHBoxLayout* BuildFileSizeRow();
    void BuildNotifyBox();
    void BuildEventTree();
    // The browse and delete buttons, the path edit and the event tree.
    void ConnectFileControls();
    void UpdateEnabledStates();
    void FillTree();
    void ReadBackTree();
    void RefreshFileSize();
    void ChooseLogFile();
    void StoreLogFile(const QString& path);
    void DeleteLogFile();
    std::filesystem::path LogFile() const;

    SettingsStore& store_;
    ScanSettings& settings_;
    bool shown_once_ = false;
    bool tree_filled_ = false;
    bool showing_flags_ = false;

    QCheckBox* enable_log_ = nullptr;
    QLabel* max_lines_label_ = nullptr;
    NumberField* max_lines_ = nullptr;
    QCheckBox* enable_file_ = nullptr;
    QLineEdit* path_ = nullptr;
    QPushButton* browse_ = nullptr;
    QLabel* size_label_ = nullptr;
    QLabel* size_ = nullptr;
    QPushButton* delete_file_ = nullptr;
    QLabel* max_size_label_ = nullptr;
    NumberField* max_size_ = nullptr;
    QCheckBox* auto_load_ = nullptr;
    QCheckBox* notify_hosts_ = nullptr;
    QLabel* tree_label_ = nullptr;
    QTreeWidget* tree_ = nullptr;
    QFileDialog* chooser_ = nullptr;
};

}  // namespace corvimap
