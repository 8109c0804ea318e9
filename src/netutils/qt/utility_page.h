#pragma once

#include <QWidget>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "controls/qt/ui_handover.h"
#include "netutils/net_utils_settings.h"
#include "netutils/utility_run.h"
#include "netutils/utility_worker.h"
#include "settings/settings_store.h"

class QLabel;
class QLineEdit;
class QMessageBox;
class QPlainTextEdit;
class QPushButton;

namespace corvimap {

class MarkupListCtrl;
class NumberField;
class StoredRowsModel;

// What tells the ping page from the traceroute page.
struct UtilityPageSpec {
    std::span<const NumberSetting> numbers;
    int numbers_in_first_row;  // the host comes first in the first row, the button last
    const char* list_key;      // the column layout's settings section
    std::vector<std::pair<const char*, int>> columns;  // header, width in pixels
    const char* list_name;
    const char* text_name;
    const char* initial_text;
    // The text area starts text_top pixels down (the fields stand above it) and is text_height
    // high; the list starts list_offset pixels below text_top and reaches the bottom margin.
    int text_top;
    int text_height;
    int list_offset;
    // One run on the worker thread with the checked field values, in the order of numbers.
    std::function<void(const std::string& host, const std::vector<int32_t>& values,
                       UtilitySink& sink, RunControl& control)>
        run;
};

// A page of the network utilities pane: the host and number fields with their labels, the
// Start/Stop button, a read-only text area and a list. Start checks the fields' ranges (the
// first field out of range says so and nothing starts) and runs the page's worker, which fills
// the text and the list through a hand-over to the UI thread; meanwhile the fields are disabled
// and the button reads "Stop". The fields are read from section "NetUtils" when the page is made
// and written, with the list's column layout, when it goes. Destroying the page cuts a run short
// at once, long echo waits included.
class UtilityPage final : public QWidget, private UtilitySink {
    Q_OBJECT
public:
    UtilityPage(UtilityPageSpec spec, SettingsStore& store, QWidget* parent = nullptr);
    ~UtilityPage() override;

    // The button: starts a run, or asks the running one to stop.
    void StartOrStop();
    bool Running() const { return worker_.Running(); }

    QLineEdit* HostField() const { return host_; }
    NumberField* Number(int index) const { return numbers_.at(static_cast<size_t>(index)); }
    QPushButton* Button() const { return button_; }
    QPlainTextEdit* TextArea() const { return text_; }
    MarkupListCtrl* List() const { return list_; }
    StoredRowsModel& Rows() const { return *rows_; }
    // The text as shown (line ends as the text area needs them).
    QString ShownText() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildFields();
    void PlaceFields();
    void SetFieldsEnabled(bool enabled);
    void ShowRangeMessage(const std::string& message, int field);

    // The worker's view of the page, handed over to the UI thread.
    void ShowText(const std::string& text) override;
    void ClearRows() override;
    void AddRow(const std::vector<std::string>& cells) override;
    void SetCell(int row, int column, const std::string& text) override;

    UtilityPageSpec spec_;
    SettingsStore& store_;
    UiHandover handover_;
    QLabel* host_label_ = nullptr;
    QLineEdit* host_ = nullptr;
    std::vector<QLabel*> labels_;
    std::vector<NumberField*> numbers_;
    QPushButton* button_ = nullptr;
    QPlainTextEdit* text_ = nullptr;
    StoredRowsModel* rows_ = nullptr;
    MarkupListCtrl* list_ = nullptr;
    QMessageBox* range_message_ = nullptr;
    // Last: its thread is cut short and joined before anything it touches goes.
    UtilityWorker worker_;
};

}  // namespace corvimap
