#include "controls/qt/tabbed_page_container.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QKeyEvent>
#include <QStyleOptionTab>
#include <QStylePainter>
#include <QTabBar>
#include <algorithm>

#include "controls/qt/accessible_controls.h"

namespace corvimap {
namespace {

// One tab, drawn by the style like a tab bar's tab, and a button for keyboard and assistive
// tools.
class TabButton final : public QAbstractButton {
public:
    TabButton(const QString& caption, QWidget* parent) : QAbstractButton(parent) {
        // Marked first: an assistive tool may ask for the tab as soon as its caption is set.
        MarkAsPageTab(this);
        setText(caption);
        setCheckable(true);
        setFocusPolicy(Qt::StrongFocus);
    }

    QSize sizeHint() const override {
        const QStyleOptionTab option = Option();
        const int hspace = style()->pixelMetric(QStyle::PM_TabBarTabHSpace, &option, this);
        const int vspace = style()->pixelMetric(QStyle::PM_TabBarTabVSpace, &option, this);
        const QSize contents(fontMetrics().size(Qt::TextShowMnemonic, text()).width() + hspace,
                             fontMetrics().height() + vspace);
        return style()->sizeFromContents(QStyle::CT_TabBarTab, &option, contents, this);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter painter(this);
        painter.drawControl(QStyle::CE_TabBarTab, Option());
    }

private:
    QStyleOptionTab Option() const {
        QStyleOptionTab option;
        option.initFrom(this);
        option.text = text();
        option.shape = QTabBar::RoundedNorth;
        option.position = QStyleOptionTab::Middle;
        if (isChecked()) {
            option.state |= QStyle::State_Selected;
        }
        return option;
    }
};

}  // namespace

QRect PageRectFor(const QRect& client, int tab_rows, int tab_height) {
    QRect rect = client;
    rect.setTop(rect.top() + tab_rows * tab_height + 4);
    return rect.adjusted(3, 3, -4, -4);
}

TabbedPageContainer::TabbedPageContainer(QWidget* parent)
    : QWidget(parent), tab_group_(new QButtonGroup(this)), tab_strip_(new QWidget(this)) {
    // The tabs have a parent of their own, so that a reader counts them alone ("1 of 4").
    // Marked before anything about it can reach an assistive tool, which keeps what it sees first.
    MarkAsPageTabList(tab_strip_);
    tab_strip_->setObjectName(QStringLiteral("tabStrip"));
    tab_strip_->setAccessibleName(QStringLiteral("Pages"));
    tab_group_->setExclusive(true);
    connect(tab_group_, &QButtonGroup::idClicked, this, &TabbedPageContainer::SetCurrentIndex);
}

int TabbedPageContainer::AddPage(QWidget* page, const QString& caption) {
    const int index = Count();
    auto* tab = new TabButton(caption, tab_strip_);
    tab->installEventFilter(this);
    tab_group_->addButton(tab, index);
    tab->show();
    tabs_.push_back(tab);
    page->setParent(this);
    pages_.push_back(page);
    if (current_ < 0) {
        current_ = index;
        tab->setChecked(true);
        page->show();
    } else {
        page->hide();
    }
    PlaceTabsAndPages();
    return index;
}

void TabbedPageContainer::SetCaption(int index, const QString& caption) {
    if (QAbstractButton* tab = Tab(index)) {
        tab->setText(caption);
        PlaceTabsAndPages();
    }
}

QWidget* TabbedPageContainer::Page(int index) const {
    return index >= 0 && index < Count() ? pages_[static_cast<size_t>(index)] : nullptr;
}

QAbstractButton* TabbedPageContainer::Tab(int index) const {
    return index >= 0 && index < Count() ? tabs_[static_cast<size_t>(index)] : nullptr;
}

void TabbedPageContainer::SetCurrentIndex(int index) {
    if (index < 0 || index >= Count() || index == current_) {
        if (QAbstractButton* tab = Tab(current_)) {
            tab->setChecked(true);
        }
        return;
    }
    if (QWidget* leaving = Page(current_)) {
        leaving->hide();
    }
    QAbstractButton* left_tab = Tab(current_);
    current_ = index;
    tabs_[static_cast<size_t>(index)]->setChecked(true);
    if (left_tab != nullptr) {
        AnnounceTabSelection(left_tab);
    }
    AnnounceTabSelection(tabs_[static_cast<size_t>(index)]);
    pages_[static_cast<size_t>(index)]->show();
    emit currentChanged(index);
}

int TabbedPageContainer::TabHeight() const {
    return tabs_.empty() ? 0 : tabs_.front()->sizeHint().height();
}

QRect TabbedPageContainer::PageRect() const {
    return PageRectFor(rect(), tab_rows_, TabHeight());
}

void TabbedPageContainer::PlaceTabsAndPages() {
    const int height = TabHeight();
    int x = 0;
    int row = 0;
    for (QAbstractButton* tab : tabs_) {
        const int width = tab->sizeHint().width();
        if (x > 0 && x + width > this->width()) {
            ++row;
            x = 0;
        }
        tab->setGeometry(x, row * height, width, height);
        x += width;
    }
    tab_rows_ = tabs_.empty() ? 0 : row + 1;
    tab_strip_->setGeometry(0, 0, this->width(), tab_rows_ * height);
    const QRect page_rect = PageRect();
    for (QWidget* page : pages_) {
        page->setGeometry(page_rect);
    }
    update();
}

QSize TabbedPageContainer::sizeHint() const {
    QSize pages(0, 0);
    for (const QWidget* page : pages_) {
        pages = pages.expandedTo(page->sizeHint());
    }
    int tabs_width = 0;
    for (const QAbstractButton* tab : tabs_) {
        tabs_width += tab->sizeHint().width();
    }
    return QSize(std::max(pages.width() + 7, tabs_width), pages.height() + TabHeight() + 11);
}

QSize TabbedPageContainer::minimumSizeHint() const {
    return QSize(100, TabHeight() + 40);
}

void TabbedPageContainer::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PlaceTabsAndPages();
}

void TabbedPageContainer::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionTabWidgetFrame frame;
    frame.initFrom(this);
    frame.shape = QTabBar::RoundedNorth;
    frame.rect = rect().adjusted(0, tab_rows_ * TabHeight(), 0, 0);
    painter.drawPrimitive(QStyle::PE_FrameTabWidget, frame);
}

bool TabbedPageContainer::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Left || key == Qt::Key_Right) {
            const int step = key == Qt::Key_Left ? -1 : 1;
            const int next = std::clamp(current_ + step, 0, Count() - 1);
            SetCurrentIndex(next);
            if (QAbstractButton* tab = Tab(next)) {
                tab->setFocus();
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace corvimap
