#include "netutils/qt/utility_page.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>

#include "controls/qt/list_view_state.h"
#include "controls/qt/markup_list.h"
#include "controls/qt/number_field.h"
#include "controls/qt/option_texts.h"
#include "controls/qt/stored_rows_model.h"

namespace corvimap {
namespace {

constexpr int kMargin = 2;
constexpr int kFirstRowTop = 6;
constexpr int kRowStep = 26;
constexpr int kGap = 6;
constexpr int kHostWidth = 140;
constexpr int kNumberWidth = 64;
constexpr int kButtonWidth = 75;

std::string ToStdString(const QString& text) {
    return text.toUtf8().toStdString();
}

// The worker's texts end their lines with "\n\r"; the text area wants plain line feeds.
QString DisplayText(const std::string& text) {
    QString shown = ToQString(text);
    shown.remove(QLatin1Char('\r'));
    return shown;
}

}  // namespace

UtilityPage::UtilityPage(UtilityPageSpec spec, SettingsStore& store, QWidget* parent)
    : QWidget(parent), spec_(std::move(spec)), store_(store) {
    BuildFields();

    text_ = new QPlainTextEdit(this);
    text_->setObjectName(QStringLiteral("resultText"));
    text_->setReadOnly(true);
    text_->setPlainText(QString::fromLatin1(spec_.initial_text));
    text_->setAccessibleName(QString::fromLatin1(spec_.text_name));

    std::vector<StoredRowsModel::Column> columns;
    for (const auto& [title, width] : spec_.columns) {
        columns.push_back({QString::fromLatin1(title)});
    }
    rows_ = new StoredRowsModel(std::move(columns), this);
    list_ = new MarkupListCtrl(this);
    list_->setObjectName(QStringLiteral("resultList"));
    list_->setModel(rows_);
    list_->setAccessibleName(QString::fromLatin1(spec_.list_name));
    for (size_t column = 0; column < spec_.columns.size(); ++column) {
        list_->header()->resizeSection(static_cast<int>(column), spec_.columns[column].second);
    }
    ListViewState::LoadColumns(*list_->header(), store_, spec_.list_key);
}

UtilityPage::~UtilityPage() {
    // A worker waiting for the UI is released, then its run is cut short and joined.
    handover_.Close();
    worker_.CancelAndJoin();
    SaveHost(store_, ToStdString(host_->text()));
    for (size_t i = 0; i < numbers_.size(); ++i) {
        SaveNumber(store_, spec_.numbers[i], numbers_[i]->Number());
    }
    ListViewState::SaveColumns(*list_->header(), store_, spec_.list_key);
}

void UtilityPage::BuildFields() {
    host_label_ = new QLabel(this);
    host_ = new QLineEdit(this);
    host_->setObjectName(QStringLiteral("host"));
    host_->setText(ToQString(LoadHost(store_)));
    host_label_->setBuddy(host_);
    SetControlText(host_label_, QStringLiteral("Host"));
    for (const NumberSetting& setting : spec_.numbers) {
        auto* label = new QLabel(this);
        auto* field = new NumberField(this);
        field->setObjectName(QString::fromLatin1(setting.value_name));
        field->SetNumber(LoadNumber(store_, setting));
        label->setBuddy(field);
        SetControlText(label, QString::fromLatin1(setting.label));
        labels_.push_back(label);
        numbers_.push_back(field);
    }
    button_ = new QPushButton(this);
    button_->setObjectName(QStringLiteral("startStop"));
    SetControlText(button_, QStringLiteral("Start"));
    connect(button_, &QPushButton::clicked, this, &UtilityPage::StartOrStop);
    connect(host_, &QLineEdit::returnPressed, this, [this] {
        if (!Running()) {
            StartOrStop();
        }
    });
}

// Label and field pairs flow from the left in two rows; the button closes the second row at the
// right edge.
void UtilityPage::PlaceFields() {
    const int field_height = host_->sizeHint().height();
    auto place_pair = [&](QLabel* label, QWidget* field, int field_width, int& x, int top) {
        const int label_width = label->sizeHint().width();
        label->setGeometry(x, top, label_width, field_height);
        x += label_width + 2;
        field->setGeometry(x, top, field_width, field_height);
        x += field_width + kGap;
    };
    int x = kMargin;
    int top = kFirstRowTop;
    place_pair(host_label_, host_, kHostWidth, x, top);
    for (size_t i = 0; i < numbers_.size(); ++i) {
        if (static_cast<int>(i) == spec_.numbers_in_first_row) {
            x = kMargin;
            top += kRowStep;
        }
        place_pair(labels_[i], numbers_[i], kNumberWidth, x, top);
    }
    if (spec_.numbers_in_first_row >= static_cast<int>(numbers_.size())) {
        top += kRowStep;
    }
    button_->setGeometry(std::max(x, width() - kMargin - kButtonWidth), top, kButtonWidth,
                         field_height);
}

void UtilityPage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PlaceFields();
    const int inner_width = std::max(width() - 2 * kMargin, 0);
    text_->setGeometry(kMargin, spec_.text_top, inner_width, spec_.text_height);
    const int list_top = spec_.text_top + spec_.list_offset;
    list_->setGeometry(kMargin, list_top, inner_width, std::max(height() - kMargin - list_top, 0));
}

QString UtilityPage::ShownText() const {
    return text_->toPlainText();
}

void UtilityPage::SetFieldsEnabled(bool enabled) {
    host_label_->setEnabled(enabled);
    host_->setEnabled(enabled);
    for (size_t i = 0; i < numbers_.size(); ++i) {
        labels_[i]->setEnabled(enabled);
        numbers_[i]->setEnabled(enabled);
    }
    SetControlText(button_, enabled ? QStringLiteral("Start") : QStringLiteral("Stop"));
}

void UtilityPage::ShowRangeMessage(const std::string& message, int field) {
    if (range_message_ == nullptr) {
        range_message_ = new QMessageBox(QMessageBox::Warning, QStringLiteral("Corvimap"),
                                         QString(), QMessageBox::Ok, this);
        range_message_->setObjectName(QStringLiteral("rangeMessage"));
    }
    range_message_->setText(ToQString(message));
    range_message_->open();
    numbers_.at(static_cast<size_t>(field))->setFocus();
    numbers_.at(static_cast<size_t>(field))->Edit()->selectAll();
}

void UtilityPage::StartOrStop() {
    if (worker_.Running()) {
        worker_.RequestStop();
        return;
    }
    std::vector<int32_t> values;
    for (NumberField* field : numbers_) {
        values.push_back(field->Number());
    }
    for (size_t i = 0; i < values.size(); ++i) {
        if (const auto message = FirstRangeMessage(spec_.numbers.subspan(i, 1),
                                                   std::span<const int32_t>(&values[i], 1))) {
            ShowRangeMessage(*message, static_cast<int>(i));
            return;
        }
    }
    SetFieldsEnabled(false);
    const std::string host = ToStdString(host_->text());
    worker_.Start(
        [this, host, values](RunControl& control) { spec_.run(host, values, *this, control); },
        [this] { handover_.Run([this] { SetFieldsEnabled(true); }); });
}

void UtilityPage::ShowText(const std::string& text) {
    handover_.Run([this, &text] { text_->setPlainText(DisplayText(text)); });
}

void UtilityPage::ClearRows() {
    handover_.Run([this] { rows_->Clear(); });
}

void UtilityPage::AddRow(const std::vector<std::string>& cells) {
    handover_.Run([this, &cells] {
        QStringList texts;
        for (const std::string& cell : cells) {
            texts.push_back(ToQString(cell));
        }
        list_->ScrollToRow(rows_->AddRow(texts));
    });
}

void UtilityPage::SetCell(int row, int column, const std::string& text) {
    handover_.Run([this, row, column, &text] { rows_->SetCell(row, column, ToQString(text)); });
}

}  // namespace corvimap
