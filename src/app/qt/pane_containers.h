#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <map>
#include <optional>
#include <string>

namespace corvimap {

// The title the status line shows for a pane when it opens, also its container's accessible
// name. The local shares title carries what the monitor cannot read (local_shares_note). Empty
// for the host list pane, whose status line shows its counts.
std::string PaneStatusTitle(int pane, const QString& local_shares_note);

// The caption of a control that pane modules install, where the window sets it; nothing for
// controls that set their own.
std::optional<QString> ControlCaption(int id);

// The height a list needs to show all its rows without scrolling; a control that is no list
// wants its size hint.
int NeededHeight(const QWidget* control);

// One hidden container widget per pane of kPanes (a child of the window), and what the pane
// modules put into them: a content widget that fills its pane, or controls by their ids that the
// layout places. The containers own what is put into them. UI thread only.
class PaneContainers final {
public:
    // Makes the containers in window, in the order of kPanes.
    explicit PaneContainers(QWidget* window);

    // Nothing for a number that is not a pane.
    QWidget* Container(int pane) const;
    // Puts content into pane, filling it, and deletes the content it held before. False when
    // pane or content is missing (nothing changed).
    bool SetContent(int pane, QWidget* content);
    // Puts control into the pane that shows id, at its designed size, with its caption, and
    // deletes the control it held before. The pane, or kNoPane when nothing was installed.
    int SetControl(int id, QWidget* control);
    QWidget* Control(int id) const;

    // Sets the captions of the installed buttons again from the string table.
    void SetControlCaptions();
    // Places pane's container in a client area of the given size, fills it with the pane's
    // content and places the pane's controls by the layout.
    void Place(int pane, int client_width, int client_height);

private:
    std::map<int, QWidget*> containers_;
    std::map<int, QPointer<QWidget>> contents_;
    std::map<int, QPointer<QWidget>> controls_;
};

}  // namespace corvimap
