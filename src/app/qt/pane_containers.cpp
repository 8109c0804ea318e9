#include "app/qt/pane_containers.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <QTreeView>
#include <algorithm>

#include "controls/window_layout.h"
#include "text/builtin_strings.h"
#include "text/string_table.h"

namespace corvimap {
namespace {

constexpr char kGlobalSearchPrompt[] = "Global search, enter mask (example: *.mp3|*.mpg|*.avi)";

QRect ToQRect(const PixelRect& rect) {
    return QRect(rect.left, rect.top, rect.Width(), rect.Height());
}

int PaneOfControl(int id) {
    for (int pane : kPanes) {
        for (int control : PaneControls(pane)) {
            if (control == id) {
                return pane;
            }
        }
    }
    return kNoPane;
}

}  // namespace

std::string PaneStatusTitle(int pane, const QString& local_shares_note) {
    switch (pane) {
        case kAboutPane:
            return StringTable::Lookup(text_id::kAbout);
        case kOptionsPane:
            return StringTable::Lookup(text_id::kOptions);
        case kNetUtilsPane:
            return StringTable::Lookup(text_id::kNetUtils);
        case kSearchPane:
            return kGlobalSearchPrompt;
        case kLocalSharesPane:
            // What the monitor cannot read, said once beside the title rather than left empty.
            return local_shares_note.isEmpty() ? "Local shares"
                                               : "Local shares: " + local_shares_note.toStdString();
        case kLogPane:
            return "Log";
        case kGameServersPane:
            return "Game servers list";
        default:
            return "";  // the host list pane shows its counts
    }
}

std::optional<QString> ControlCaption(int id) {
    switch (id) {
        case control_id::kLoad:
            return QString::fromUtf8(StringTable::Lookup(text_id::kLoad));
        case control_id::kSave:
            return QString::fromUtf8(StringTable::Lookup(text_id::kSave));
        case control_id::kClear:
            return QString::fromUtf8(StringTable::Lookup(text_id::kClear));
        case control_id::kFind:
            return QString::fromUtf8(StringTable::Lookup(text_id::kSearch));
        case control_id::kSearchButton:
            return QString("Search");
        default:
            return std::nullopt;
    }
}

int NeededHeight(const QWidget* control) {
    if (control == nullptr) {
        return 0;
    }
    const auto* view = qobject_cast<const QAbstractItemView*>(control);
    if (view == nullptr || view->model() == nullptr) {
        return control->sizeHint().height();
    }
    int height = 2 * view->frameWidth();
    if (const auto* tree = qobject_cast<const QTreeView*>(view); tree && !tree->isHeaderHidden()) {
        height += tree->header()->sizeHint().height();
    } else if (const auto* table = qobject_cast<const QTableView*>(view);
               table && table->horizontalHeader()->isVisible()) {
        height += table->horizontalHeader()->sizeHint().height();
    }
    const int rows = view->model()->rowCount(view->rootIndex());
    if (rows > 0) {
        height += rows * std::max(view->sizeHintForRow(0), 1);
    }
    if (view->horizontalScrollBar()->maximum() > 0) {
        height += view->horizontalScrollBar()->sizeHint().height();
    }
    return height;
}

PaneContainers::PaneContainers(QWidget* window) {
    for (int pane : kPanes) {
        auto* container = new QWidget(window);
        container->setObjectName(QString("Pane%1").arg(pane));
        container->hide();
        containers_[pane] = container;
    }
}

QWidget* PaneContainers::Container(int pane) const {
    auto it = containers_.find(pane);
    return it == containers_.end() ? nullptr : it->second;
}

bool PaneContainers::SetContent(int pane, QWidget* content) {
    QWidget* container = Container(pane);
    if (container == nullptr || content == nullptr) {
        return false;
    }
    if (auto it = contents_.find(pane); it != contents_.end() && it->second != content) {
        delete it->second.data();
    }
    content->setParent(container);
    content->setGeometry(container->rect());
    content->show();
    contents_[pane] = content;
    return true;
}

int PaneContainers::SetControl(int id, QWidget* control) {
    const int pane = PaneOfControl(id);
    QWidget* container = Container(pane);
    if (container == nullptr || control == nullptr) {
        return kNoPane;
    }
    if (auto it = controls_.find(id); it != controls_.end() && it->second != control) {
        delete it->second.data();
    }
    control->setParent(container);
    if (const auto designed = DesignedRect(id)) {
        control->resize(designed->Width(), designed->Height());
    }
    control->show();
    controls_[id] = control;
    if (const auto caption = ControlCaption(id)) {
        if (auto* button = qobject_cast<QAbstractButton*>(control)) {
            // Known by its caption, so a start button that becomes "Stop" is announced so.
            button->setText(*caption);
            button->setAccessibleName(QString());
        }
    }
    return pane;
}

QWidget* PaneContainers::Control(int id) const {
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second.data();
}

void PaneContainers::SetControlCaptions() {
    for (auto& [id, control] : controls_) {
        auto* button = qobject_cast<QAbstractButton*>(control.data());
        if (button == nullptr) {
            continue;
        }
        if (const auto caption = ControlCaption(id)) {
            button->setText(*caption);
        }
    }
}

void PaneContainers::Place(int pane, int client_width, int client_height) {
    QWidget* container = Container(pane);
    const PixelRect pane_rect = PaneRect(client_width, client_height);
    container->setGeometry(ToQRect(pane_rect));
    const QRect inside(0, 0, pane_rect.Width(), pane_rect.Height());
    if (auto it = contents_.find(pane); it != contents_.end()) {
        it->second->setGeometry(inside);
    }
    const PaneNeeds needs{NeededHeight(Control(control_id::kSharesList)),
                          NeededHeight(Control(control_id::kSessionsList))};
    const auto places = LayoutPane(pane, {0, 0, pane_rect.Width(), pane_rect.Height()}, needs);
    for (const ControlPlace& place : places) {
        if (QWidget* control = Control(place.id)) {
            control->setGeometry(ToQRect(place.rect));
        }
    }
}

}  // namespace corvimap
