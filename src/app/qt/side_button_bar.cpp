#include "app/qt/side_button_bar.h"

#include <QAbstractButton>

#include "controls/qt/flat_button.h"
#include "controls/window_layout.h"
#include "text/builtin_strings.h"
#include "text/string_table.h"

namespace corvimap {
namespace {

QRect ToQRect(const PixelRect& rect) {
    return QRect(rect.left, rect.top, rect.Width(), rect.Height());
}

}  // namespace

int PaneOfButton(int id) {
    switch (id) {
        case control_id::kAbout:
            return kAboutPane;
        case control_id::kOptions:
            return kOptionsPane;
        case control_id::kRefresh:
        case control_id::kWork:
            return kHostListPane;
        case control_id::kNetUtils:
            return kNetUtilsPane;
        case control_id::kGlobalSearch:
            return kSearchPane;
        case control_id::kLocalShares:
            return kLocalSharesPane;
        case control_id::kLog:
            return kLogPane;
        case control_id::kGameServers:
            return kGameServersPane;
        default:
            return kNoPane;
    }
}

QString SideButtonCaption(int id, bool scan_running) {
    int text = 0;
    switch (id) {
        case control_id::kAbout:
            text = text_id::kAbout;
            break;
        case control_id::kOptions:
            text = text_id::kOptions;
            break;
        case control_id::kRefresh:
            text = scan_running ? text_id::kStop : text_id::kRefresh;
            break;
        case control_id::kWork:
            text = text_id::kWork;
            break;
        case control_id::kNetUtils:
            text = text_id::kNetUtils;
            break;
        case control_id::kGlobalSearch:
            text = text_id::kGlobalSearch;
            break;
        case control_id::kLocalShares:
            text = text_id::kLocalSharesInfo;
            break;
        case control_id::kGameServers:
            return "Game servers";
        case control_id::kLog:
            text = text_id::kLog;
            break;
        case control_id::kExit:
            text = text_id::kExit;
            break;
        default:
            return {};
    }
    return QString::fromUtf8(StringTable::Lookup(text));
}

SideButtonBar::SideButtonBar(QWidget* window, const std::function<void(int id)>& on_click) {
    for (int id : kSideButtons) {
        auto* button = new FlatButton(window);
        button->setObjectName(QString("SideButton%1").arg(id));
        button->setGeometry(ToQRect(*DesignedRect(id)));
        QObject::connect(button, &QAbstractButton::clicked, window,
                         [on_click, id] { on_click(id); });
        buttons_[id] = button;
    }
}

FlatButton* SideButtonBar::Button(int id) const {
    auto it = buttons_.find(id);
    return it == buttons_.end() ? nullptr : it->second;
}

void SideButtonBar::SetCaptions(bool scan_running) {
    for (auto& [id, button] : buttons_) {
        button->SetCaption(SideButtonCaption(id, scan_running));
    }
}

}  // namespace corvimap
