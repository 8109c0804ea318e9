#pragma once

#include <array>
#include <optional>
#include <vector>

namespace corvimap {

// A rectangle in pixels; right and bottom lie just outside it.
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    static PixelRect FromSize(int x, int y, int width, int height) {
        return {x, y, x + width, y + height};
    }
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const PixelRect&) const = default;
};

// The controls of the main window by their ids.
namespace control_id {
inline constexpr int kAbout = 1000;
inline constexpr int kOptions = 1001;
inline constexpr int kRefresh = 1002;
inline constexpr int kWork = 1003;
inline constexpr int kLog = 1004;
inline constexpr int kExit = 1005;
inline constexpr int kStatusLine = 1006;
inline constexpr int kHostList = 1007;
inline constexpr int kOptionsTabs = 1008;
inline constexpr int kLoad = 1009;
inline constexpr int kSave = 1010;
inline constexpr int kClear = 1011;
inline constexpr int kFind = 1012;
inline constexpr int kNetUtils = 1013;
inline constexpr int kGameServers = 1014;
inline constexpr int kLocalShares = 1015;
inline constexpr int kGlobalSearch = 1016;
inline constexpr int kSearchResults = 1017;
inline constexpr int kNetUtilsTabs = 1055;
inline constexpr int kSearchButton = 1085;
inline constexpr int kSearchMask = 1086;
inline constexpr int kSearchProgress = 1087;
inline constexpr int kSharesList = 1088;
inline constexpr int kSessionsList = 1089;
inline constexpr int kFilesList = 1090;
inline constexpr int kLogList = 1091;
inline constexpr int kGameServerList = 1118;
inline constexpr int kPlayersList = 1119;
inline constexpr int kRulesList = 1120;
}  // namespace control_id

// The panes of the main window. Each number is part of its container's object name ("Pane2");
// there is no pane 6.
enum Pane : int {
    kNoPane = -1,
    kAboutPane = 0,
    kOptionsPane = 1,
    kHostListPane = 2,
    kNetUtilsPane = 3,
    kSearchPane = 4,
    kLocalSharesPane = 5,
    kLogPane = 7,
    kGameServersPane = 8,
};

// The panes in the order of their numbers.
inline constexpr std::array<int, 8> kPanes = {kAboutPane,    kOptionsPane,    kHostListPane,
                                              kNetUtilsPane, kSearchPane,     kLocalSharesPane,
                                              kLogPane,      kGameServersPane};

inline constexpr int kMinimumWindowWidth = 516;
inline constexpr int kMinimumWindowHeight = 455;

// The window was designed in dialog units of its 8-point font, whose base units are 6 x 13
// pixels; these give the pixel places the layout starts from.
int DialogUnitsToPixelsX(int units);
int DialogUnitsToPixelsY(int units);

// The base units of a font: the average width of the letters A-Z and a-z, and the line height.
// The pixel sizes of the design hold for base units of 6 x 13.
struct FontBaseUnits {
    int x = 6;
    int y = 13;
    bool operator==(const FontBaseUnits&) const = default;
};
inline constexpr FontBaseUnits kDesignBaseUnits{6, 13};

// Base units from the width of the 52 letters "A".."Z" "a".."z" in one run and the line height:
// (letters_width / 26 + 1) / 2 and line_height, each at least 1. The design's pixel places follow
// from this rounding.
FontBaseUnits BaseUnitsFromLetters(int letters_width, int line_height);

// A designed width or height in pixels, grown or shrunk in proportion to the font's base units.
int ScaleDesignX(int pixels, FontBaseUnits font);
int ScaleDesignY(int pixels, FontBaseUnits font);

// The width a list column starts with when no layout of the list was stored: its designed width
// scaled to the font, but never narrower than its sample text (widest_sample_cell: the sample's
// width plus the cell's margins), so that a MAC address or a date is not cut on a first start.
int DefaultColumnWidth(int designed_width, FontBaseUnits font, int widest_sample_cell);

// The window's place on a first start: (10, 10), 527 x 414 scaled to the font. The minimum size
// still applies on top of it.
PixelRect DefaultWindowRect(FontBaseUnits font);

// The designed place of a control in pixels: the side buttons, the status line, and the sized
// controls of the panes (their size counts; the layout moves them). Nothing for the others.
std::optional<PixelRect> DesignedRect(int id);

// The side buttons from top to bottom.
inline constexpr std::array<int, 10> kSideButtons = {
    control_id::kAbout,       control_id::kOptions,     control_id::kRefresh,
    control_id::kWork,        control_id::kNetUtils,    control_id::kGlobalSearch,
    control_id::kLocalShares, control_id::kGameServers, control_id::kLog,
    control_id::kExit};

struct ControlPlace {
    int id = 0;
    PixelRect rect;
    bool operator==(const ControlPlace&) const = default;
};

// The ids of the controls that a pane shows, in the order the layout places them.
std::vector<int> PaneControls(int pane);

// The rectangle that the panes share in a client area of the given size.
PixelRect PaneRect(int client_width, int client_height);

// The Exit and Log buttons at the bottom and the status line across the top.
std::vector<ControlPlace> LayoutFrame(int client_width, int client_height);

// How high the local shares and sessions lists want to be to show all their rows.
struct PaneNeeds {
    int shares_height = 0;
    int sessions_height = 0;
};

// The places of a pane's controls inside pane_rect.
std::vector<ControlPlace> LayoutPane(int pane, PixelRect pane_rect, const PaneNeeds& needs = {});

// The place of one control in a layout, if it has one.
std::optional<PixelRect> FindPlace(const std::vector<ControlPlace>& places, int id);

}  // namespace corvimap
