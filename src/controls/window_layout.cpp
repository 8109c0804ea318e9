#include "controls/window_layout.h"

#include <algorithm>

namespace corvimap {
namespace {

constexpr int kBaseUnitX = 6;
constexpr int kBaseUnitY = 13;

// Scales rounded to the nearest pixel, halves away from zero; any other rounding moves the
// designed places by a pixel.
int ScaleRounded(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : -((-product + half) / denominator));
}

struct DesignedControl {
    int id;
    int x, y, width, height;  // dialog units
};

// The places of the window's design, in dialog units.
constexpr DesignedControl kDesign[] = {
    {control_id::kAbout, 3, 14, 58, 14},        {control_id::kOptions, 3, 30, 58, 14},
    {control_id::kRefresh, 3, 52, 58, 21},      {control_id::kWork, 3, 75, 58, 18},
    {control_id::kNetUtils, 3, 110, 58, 14},    {control_id::kGlobalSearch, 3, 126, 58, 14},
    {control_id::kLocalShares, 3, 142, 58, 14}, {control_id::kGameServers, 3, 159, 58, 14},
    {control_id::kLog, 3, 220, 58, 14},         {control_id::kExit, 3, 236, 58, 14},
    {control_id::kStatusLine, 66, 14, 322, 11}, {control_id::kLoad, 0, 0, 50, 11},
    {control_id::kSave, 0, 0, 50, 11},          {control_id::kClear, 0, 0, 50, 11},
    {control_id::kFind, 0, 0, 50, 11},          {control_id::kSearchProgress, 0, 0, 91, 10},
    {control_id::kSearchMask, 0, 0, 40, 12},    {control_id::kSearchButton, 0, 0, 50, 12},
};

PixelRect Designed(int id) {
    return DesignedRect(id).value_or(PixelRect{});
}

// A control of the same size as designed, with its top-left corner at (x, y).
PixelRect DesignedAt(int id, int x, int y) {
    const PixelRect designed = Designed(id);
    return PixelRect::FromSize(x, y, designed.Width(), designed.Height());
}

std::vector<ControlPlace> LayoutHostListPane(const PixelRect& pane) {
    std::vector<ControlPlace> places;
    int x = pane.left;
    for (int id : {control_id::kLoad, control_id::kSave, control_id::kClear, control_id::kFind}) {
        const PixelRect button = DesignedAt(id, x, pane.top);
        places.push_back({id, button});
        x = button.right + 4;
    }
    places.push_back({control_id::kHostList, {pane.left, pane.top + 22, pane.right, pane.bottom}});
    return places;
}

std::vector<ControlPlace> LayoutSearchPane(const PixelRect& pane) {
    const int label_height = Designed(control_id::kSearchProgress).Height();
    const int edit_height = Designed(control_id::kSearchMask).Height();
    const PixelRect designed_button = Designed(control_id::kSearchButton);
    const int row_top = pane.top + label_height + 2;
    const int button_left = pane.right - designed_button.Width() - 1;
    return {
        {control_id::kSearchProgress, {pane.left, pane.top, pane.right, pane.top + label_height}},
        {control_id::kSearchMask, {pane.left, row_top, button_left - 4, row_top + edit_height}},
        {control_id::kSearchButton, DesignedAt(control_id::kSearchButton, button_left, row_top)},
        {control_id::kSearchResults,
         {pane.left, row_top + edit_height + 2, pane.right, pane.bottom}},
    };
}

std::vector<ControlPlace> LayoutLocalSharesPane(const PixelRect& pane, const PaneNeeds& needs) {
    const int third = (pane.bottom - pane.top) / 3;
    const int shares_height = std::clamp(needs.shares_height, 0, std::max(third, 0));
    const int sessions_height = std::clamp(needs.sessions_height, 0, std::max(third, 0));
    const int sessions_top = pane.top + shares_height + 1;
    const int files_top = sessions_top + sessions_height + 1;
    return {
        {control_id::kSharesList, {pane.left, pane.top, pane.right, pane.top + shares_height}},
        {control_id::kSessionsList,
         {pane.left, sessions_top, pane.right, sessions_top + sessions_height}},
        {control_id::kFilesList, {pane.left, files_top, pane.right, pane.bottom}},
    };
}

std::vector<ControlPlace> LayoutGameServersPane(const PixelRect& pane) {
    const int half = (pane.bottom - pane.top) / 2;
    const int half_width = (pane.right - pane.left) / 2;
    const int lower_top = pane.top + half + 1;
    return {
        {control_id::kGameServerList,
         PixelRect::FromSize(pane.left, pane.top, pane.right - pane.left, half)},
        {control_id::kPlayersList, {pane.left, lower_top, pane.left + half_width - 1, pane.bottom}},
        {control_id::kRulesList, {pane.left + half_width + 1, lower_top, pane.right, pane.bottom}},
    };
}

}  // namespace

int DialogUnitsToPixelsX(int units) {
    return ScaleRounded(units, kBaseUnitX, 4);
}

int DialogUnitsToPixelsY(int units) {
    return ScaleRounded(units, kBaseUnitY, 8);
}

FontBaseUnits BaseUnitsFromLetters(int letters_width, int line_height) {
    return {std::max(1, (letters_width / 26 + 1) / 2), std::max(1, line_height)};
}

int ScaleDesignX(int pixels, FontBaseUnits font) {
    return ScaleRounded(pixels, font.x, kBaseUnitX);
}

int ScaleDesignY(int pixels, FontBaseUnits font) {
    return ScaleRounded(pixels, font.y, kBaseUnitY);
}

int DefaultColumnWidth(int designed_width, FontBaseUnits font, int widest_sample_cell) {
    return std::max(ScaleDesignX(designed_width, font), widest_sample_cell);
}

PixelRect DefaultWindowRect(FontBaseUnits font) {
    return PixelRect::FromSize(10, 10, ScaleDesignX(527, font), ScaleDesignY(414, font));
}

std::optional<PixelRect> DesignedRect(int id) {
    for (const DesignedControl& control : kDesign) {
        if (control.id == id) {
            return PixelRect::FromSize(
                DialogUnitsToPixelsX(control.x), DialogUnitsToPixelsY(control.y),
                DialogUnitsToPixelsX(control.width), DialogUnitsToPixelsY(control.height));
        }
    }
    return std::nullopt;
}

std::vector<int> PaneControls(int pane) {
    switch (pane) {
        case kOptionsPane:
            return {control_id::kOptionsTabs};
        case kHostListPane:
            return {control_id::kLoad, control_id::kSave, control_id::kClear, control_id::kFind,
                    control_id::kHostList};
        case kNetUtilsPane:
            return {control_id::kNetUtilsTabs};
        case kSearchPane:
            return {control_id::kSearchProgress, control_id::kSearchMask, control_id::kSearchButton,
                    control_id::kSearchResults};
        case kLocalSharesPane:
            return {control_id::kSharesList, control_id::kSessionsList, control_id::kFilesList};
        case kLogPane:
            return {control_id::kLogList};
        case kGameServersPane:
            return {control_id::kGameServerList, control_id::kPlayersList, control_id::kRulesList};
        default:
            return {};
    }
}

PixelRect PaneRect(int client_width, int client_height) {
    return {99, 48, client_width - 5, client_height - 5};
}

std::vector<ControlPlace> LayoutFrame(int client_width, int client_height) {
    const PixelRect exit = Designed(control_id::kExit);
    const PixelRect log = Designed(control_id::kLog);
    const PixelRect status = Designed(control_id::kStatusLine);
    return {
        {control_id::kExit, DesignedAt(control_id::kExit, 5, client_height - 5 - exit.Height())},
        {control_id::kLog, DesignedAt(control_id::kLog, 5, client_height - 32 - log.Height())},
        {control_id::kStatusLine, PixelRect::FromSize(99, 23, client_width - 104, status.Height())},
    };
}

std::vector<ControlPlace> LayoutPane(int pane, PixelRect pane_rect, const PaneNeeds& needs) {
    switch (pane) {
        case kOptionsPane:
            return {{control_id::kOptionsTabs, pane_rect}};
        case kHostListPane:
            return LayoutHostListPane(pane_rect);
        case kNetUtilsPane:
            return {{control_id::kNetUtilsTabs, pane_rect}};
        case kSearchPane:
            return LayoutSearchPane(pane_rect);
        case kLocalSharesPane:
            return LayoutLocalSharesPane(pane_rect, needs);
        case kLogPane:
            return {{control_id::kLogList, pane_rect}};
        case kGameServersPane:
            return LayoutGameServersPane(pane_rect);
        default:
            return {};
    }
}

std::optional<PixelRect> FindPlace(const std::vector<ControlPlace>& places, int id) {
    for (const ControlPlace& place : places) {
        if (place.id == id) {
            return place.rect;
        }
    }
    return std::nullopt;
}

}  // namespace corvimap
