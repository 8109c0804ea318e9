#pragma once

#include <QRect>
#include <QWidget>
#include <vector>

class QAbstractButton;
class QButtonGroup;

namespace corvimap {

// Where a container puts its pages: the client rectangle below the tab rows (rows times the
// height of a tab, plus 4 pixels), shrunk by 3 pixels on the left and top and 4 on the right and
// bottom.
QRect PageRectFor(const QRect& client, int tab_rows, int tab_height);

// A tab control that owns one page per tab. Tabs wrap into more rows when they don't fit the
// width. Exactly one page is visible, the one of the selected tab; the others are hidden and
// keep their state. Pages are made once by the owner and live as long as the container.
class TabbedPageContainer : public QWidget {
    Q_OBJECT
public:
    explicit TabbedPageContainer(QWidget* parent = nullptr);

    // Adds a tab with its page, which the container takes as its child. The first page is shown
    // and selected; later ones stay hidden until their tab is chosen.
    int AddPage(QWidget* page, const QString& caption);
    void SetCaption(int index, const QString& caption);

    int Count() const { return static_cast<int>(pages_.size()); }
    int CurrentIndex() const { return current_; }
    QWidget* Page(int index) const;
    // Hides the selected tab's page, then selects the tab and shows its page.
    void SetCurrentIndex(int index);

    int TabRows() const { return tab_rows_; }
    int TabHeight() const;
    QRect PageRect() const;
    QAbstractButton* Tab(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void currentChanged(int index);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PlaceTabsAndPages();

    QButtonGroup* tab_group_;
    QWidget* tab_strip_;  // parent of the tabs only
    std::vector<QAbstractButton*> tabs_;
    std::vector<QWidget*> pages_;
    int current_ = -1;
    int tab_rows_ = 0;
};

}  // namespace corvimap
