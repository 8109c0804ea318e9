#pragma once

#include <QString>
#include <functional>
#include <map>

class QWidget;

namespace corvimap {

class FlatButton;

// The pane each side button opens: kNoPane for Exit and for ids that are no side button.
int PaneOfButton(int id);

// The caption of a side button: its text of the string table, or a fixed one. The Refresh button
// reads "Stop" while a scan runs.
QString SideButtonCaption(int id, bool scan_running);

// The column of side buttons on the window's left, one FlatButton per id of kSideButtons, made
// top to bottom (so that focus moves in that order) at their designed places. The buttons are
// children of the window; the bar only finds them by id. UI thread only.
class SideButtonBar final {
public:
    // Makes the buttons in window; a click calls on_click with the button's id.
    SideButtonBar(QWidget* window, const std::function<void(int id)>& on_click);

    // Nothing for an id that is no side button.
    FlatButton* Button(int id) const;
    // Sets every caption again from the string table.
    void SetCaptions(bool scan_running);

private:
    std::map<int, FlatButton*> buttons_;
};

}  // namespace corvimap
