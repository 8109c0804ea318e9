// What a first start shows in fonts wider than the one the window was designed with: a window
// grown with the font, and captions of every shipped language that fit their controls.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QFontMetrics>
#include <memory>

#include "app/qt/app_engine.h"
#include "app/qt/language_changed.h"
#include "app/qt/main_window.h"
#include "controls/qt/caption_fit.h"
#include "controls/qt/column_widths.h"
#include "controls/qt/flat_button.h"
#include "controls/qt/markup_list.h"
#include "options/qt/options_tab_control.h"
#include "settings/qt/qsettings_store.h"
#include "support/scripted_network.h"
#include "support/temp_dir.h"
#include "text/builtin_strings.h"
#include "text/string_table.h"

namespace corvimap {
namespace {

// Captions may shrink to fit, but not below this: smaller is no longer readable.
constexpr double kSmallestReadablePoints = 6.0;

class FontFitTest : public ::testing::TestWithParam<const char*> {
protected:
    FontFitTest()
        : old_font_(QApplication::font()),
          store_(QString::fromStdString(dir_.File("Corvimap.conf").string())),
          context_{store_, settings_, nullptr} {
        QApplication::setFont(QFont(QLatin1String(GetParam()), 8));
        engine_ =
            std::make_unique<AppEngine>(context_, std::make_unique<testing::ScriptedNetwork>());
        window_ = std::make_unique<MainWindow>(context_, *engine_);
        window_->show();
    }
    ~FontFitTest() override {
        window_.reset();
        engine_.reset();
        StringTable::UseBuiltIn();
        StringTable::SetLanguageFolders(StringTable::DefaultLanguageFolders());
        QApplication::setFont(old_font_);
    }

    QFont old_font_;
    testing::TempDir dir_;
    QSettingsStore store_;
    ScanSettings settings_;
    AppContext context_;
    std::unique_ptr<AppEngine> engine_;
    std::unique_ptr<MainWindow> window_;
};

// How widths grow with the font is tested without widgets; here that the window and its lists
// take the font they are shown with, not the one they were made with.
TEST_P(FontFitTest, AFirstStartGrowsWithTheFontAndItsListsHoldTheirSamples) {
    const PixelRect first = DefaultWindowRect(BaseUnitsOf(window_->fontMetrics()));
    EXPECT_EQ(window_->width(), std::max(first.Width(), kMinimumWindowWidth));
    EXPECT_EQ(window_->height(), std::max(first.Height(), kMinimumWindowHeight));
    MarkupListCtrl* hosts = nullptr;
    for (auto* list : window_->findChildren<MarkupListCtrl*>()) {
        EXPECT_EQ(list->font().family(), window_->font().family());
        hosts = list->accessibleName() == "Host list" ? list : hosts;
    }
    ASSERT_NE(hosts, nullptr);
    const QString sample = QStringLiteral("255.255.255.255");
    const int room = hosts->CellTextRect(QRect(0, 0, hosts->columnWidth(0), 20), 0).width();
    EXPECT_EQ(hosts->fontMetrics().elidedText(sample, Qt::ElideRight, room), sample);
}

TEST_P(FontFitTest, EveryCaptionOfEveryLanguageFitsItsControl) {
    StringTable::SetLanguageFolders({CORVIMAP_LANGUAGE_DIR});
    std::vector<std::string> languages = StringTable::ListLanguages();
    ASSERT_FALSE(languages.empty()) << "the shipped language files";
    languages.push_back(kBuiltinLanguageName);
    auto* options = window_->findChild<OptionsTabControl*>();
    ASSERT_NE(options, nullptr);
    window_->SideButton(control_id::kOptions)->click();

    const auto check_fits = [](const QString& what, const QString& text, const QFont& font,
                               const QRect& needed, const QRect& room) {
        EXPECT_TRUE(needed.width() <= room.width() && needed.height() <= room.height())
            << what.toStdString() << " \"" << text.toStdString() << "\" needs " << needed.width()
            << "x" << needed.height() << " in " << room.width() << "x" << room.height();
        EXPECT_GE(font.pointSizeF(), kSmallestReadablePoints)
            << what.toStdString() << " \"" << text.toStdString() << "\"";
    };
    for (const std::string& language : languages) {
        store_.WriteProfileString("Main", "DefaultLng", language);
        PostLanguageChanged(window_.get());
        QCoreApplication::processEvents();
        ASSERT_EQ(StringTable::CurrentLanguageName(), language);
        for (int id : kSideButtons) {
            FlatButton* button = window_->SideButton(id);
            const QFont font = button->CaptionFont();
            const QRect room = button->CaptionRect();
            check_fits(
                QString::fromStdString(language) + " side button", button->text(), font,
                QFontMetrics(font).boundingRect(room, FlatButton::kCaptionFlags, button->text()),
                room);
        }
        for (int page = 0; page < options->Count(); ++page) {
            options->SetCurrentIndex(page);
            QCoreApplication::processEvents();
            for (auto* box : options->Page(page)->findChildren<CaptionCheckBox*>()) {
                if (!box->isVisible()) {
                    continue;
                }
                const QFont font = box->CaptionFont();
                check_fits(
                    QString::fromStdString(language) + " check box", box->text(), font,
                    QRect(QPoint(0, 0), QFontMetrics(font).size(Qt::TextShowMnemonic, box->text())),
                    box->CaptionRect());
                // Nothing of it runs under the next control.
                for (auto* other : options->Page(page)->findChildren<CaptionCheckBox*>()) {
                    EXPECT_TRUE(other == box || !other->isVisible() ||
                                !other->geometry().intersects(box->geometry()))
                        << box->text().toStdString() << " / " << other->text().toStdString();
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(TwoFonts, FontFitTest,
                         ::testing::Values("DejaVu Sans", "DejaVu Sans Mono"));

}  // namespace
}  // namespace corvimap
