#pragma once

#include <QTimer>
#include <QTreeView>

namespace corvimap {

class ListImages;

// The program's report list: a flat view over any table model that selects whole rows and lets
// the user drag its column headers. Column 0 shows the row's picture (kRowImageRole) from the
// list's image list. With cell markup on, cells whose text begins with "$IMG|" show pictures
// instead of text; with colour codes on, "^" and a digit colour the text after them. It can
// scroll a row into view and make a row's picture blink.
class MarkupListCtrl : public QTreeView {
    Q_OBJECT
public:
    static constexpr int kFlashSteps = 20;
    static constexpr int kFlashIntervalMs = 160;
    // Room for the row picture at the left of column 0, and the picture's indent in it.
    static constexpr int kIconArea = 20;
    static constexpr int kIconIndent = 2;

    explicit MarkupListCtrl(QWidget* parent = nullptr);
    ~MarkupListCtrl() override;

    // Without an image list the list shows no row pictures and draws image cells as text.
    void SetImageList(const ListImages* images);
    const ListImages* ImageList() const { return images_; }

    void SetCellMarkup(bool on);
    bool CellMarkup() const { return cell_markup_; }
    void SetColourCodes(bool on);
    bool ColourCodes() const { return colour_codes_; }

    // Scrolls so that the row two above `row` rests one row below the top of the list; rows 0
    // and 1 themselves rest there. The scroll bar clamps at both ends.
    void ScrollToRow(int row);

    // Makes the row show `image` on every other step of 20 steps of 160 ms; a row that blinked
    // before stops at once.
    void FlashRow(int row, int image);
    // One blink step; the flash timer calls it.
    void FlashTick();
    int FlashingRow() const { return flash_row_; }
    int FlashCount() const { return flash_count_; }
    const QTimer& FlashTimer() const { return flash_timer_; }

    // The picture the row shows now: the blink picture on odd steps, else its own (-1: none).
    int ShownRowImage(int row) const;

    void RepaintRow(int row);

    // Areas of a cell in viewport coordinates: the label (right of the row picture in column 0)
    // and the text area inside it, a margin of two blanks narrower on each side.
    QRect CellLabelRect(const QRect& cell, int column) const;
    QRect CellTextRect(const QRect& cell, int column) const;
    int TextMargin() const;

private:
    const ListImages* images_ = nullptr;
    bool cell_markup_ = false;
    bool colour_codes_ = false;
    int flash_row_ = -1;
    int flash_image_ = 0;
    int flash_count_ = 0;
    QTimer flash_timer_;
};

}  // namespace corvimap
