#include "controls/window_layout.h"

#include <gtest/gtest.h>

namespace corvimap {
namespace {

PixelRect Place(const std::vector<ControlPlace>& places, int id) {
    auto rect = FindPlace(places, id);
    EXPECT_TRUE(rect.has_value()) << "no place for control " << id;
    return rect.value_or(PixelRect{});
}

TEST(WindowLayoutTest, DefaultSizesGrowWithTheFontAndColumnsHoldTheirSample) {
    // letters width and line height -> base units; a column designed 122 wide with a 100-pixel
    // sample, one designed 57 wide with a 60-pixel sample; the first start's window.
    struct Case {
        int letters, height;
        FontBaseUnits units;
        int wide_column, narrow_column;
        PixelRect window;
    };
    const Case cases[] = {
        {312, 13, {6, 13}, 122, 60, PixelRect::FromSize(10, 10, 527, 414)},
        {364, 16, {7, 16}, 142, 67, PixelRect::FromSize(10, 10, 615, 510)},
        {260, 11, {5, 11}, 102, 60, PixelRect::FromSize(10, 10, 439, 350)},
    };
    for (const Case& c : cases) {
        const FontBaseUnits units = BaseUnitsFromLetters(c.letters, c.height);
        EXPECT_EQ(units, c.units) << c.letters;
        EXPECT_EQ(DefaultColumnWidth(122, units, 100), c.wide_column) << c.letters;
        EXPECT_EQ(DefaultColumnWidth(57, units, 60), c.narrow_column) << c.letters;
        EXPECT_EQ(DefaultWindowRect(units), c.window) << c.letters;
    }
}

TEST(WindowLayoutTest, DesignedPlacesAreDialogUnitsOfTheWindowFont) {
    // The status line's designed corner is where the layout puts it, and the pane starts below.
    EXPECT_EQ(DesignedRect(control_id::kStatusLine), PixelRect::FromSize(99, 23, 483, 18));
    EXPECT_EQ(DesignedRect(control_id::kAbout), PixelRect::FromSize(5, 23, 87, 23));
    EXPECT_EQ(DesignedRect(control_id::kRefresh), PixelRect::FromSize(5, 85, 87, 34));
    EXPECT_EQ(DesignedRect(control_id::kWork), PixelRect::FromSize(5, 122, 87, 29));
    EXPECT_EQ(DesignedRect(control_id::kGameServers), PixelRect::FromSize(5, 258, 87, 23));
    EXPECT_EQ(DesignedRect(control_id::kLoad), PixelRect::FromSize(0, 0, 75, 18));
    EXPECT_EQ(DesignedRect(control_id::kSearchMask), PixelRect::FromSize(0, 0, 60, 20));
    EXPECT_FALSE(DesignedRect(control_id::kHostList).has_value());
    // Side buttons stand one below the other without overlapping.
    int last_bottom = 0;
    for (int id : kSideButtons) {
        const PixelRect rect = DesignedRect(id).value();
        EXPECT_GE(rect.top, last_bottom) << id;
        last_bottom = rect.bottom;
    }
}

TEST(WindowLayoutTest, FrameAtTheDefaultAndTheMinimumSize) {
    auto frame = LayoutFrame(527, 414);
    EXPECT_EQ(Place(frame, control_id::kExit), (PixelRect{5, 386, 92, 409}));
    EXPECT_EQ(Place(frame, control_id::kLog), (PixelRect{5, 359, 92, 382}));
    EXPECT_EQ(Place(frame, control_id::kStatusLine), (PixelRect{99, 23, 522, 41}));
    EXPECT_EQ(PaneRect(527, 414), (PixelRect{99, 48, 522, 409}));

    frame = LayoutFrame(kMinimumWindowWidth, kMinimumWindowHeight);
    EXPECT_EQ(Place(frame, control_id::kExit), (PixelRect{5, 427, 92, 450}));
    EXPECT_EQ(Place(frame, control_id::kLog), (PixelRect{5, 400, 92, 423}));
    EXPECT_EQ(Place(frame, control_id::kStatusLine).Width(), 412);
    EXPECT_EQ(PaneRect(516, 455), (PixelRect{99, 48, 511, 450}));
}

TEST(WindowLayoutTest, PanesAtTheDefaultSize) {
    const PixelRect pane = PaneRect(527, 414);
    for (int single : {kOptionsPane, kNetUtilsPane, kLogPane}) {
        const auto places = LayoutPane(single, pane);
        ASSERT_EQ(places.size(), 1u);
        EXPECT_EQ(places[0].rect, pane) << "pane " << single << " fills the pane rectangle";
    }
    EXPECT_TRUE(LayoutPane(kAboutPane, pane).empty());

    auto places = LayoutPane(kHostListPane, pane);
    EXPECT_EQ(Place(places, control_id::kLoad), (PixelRect{99, 48, 174, 66}));
    EXPECT_EQ(Place(places, control_id::kSave), (PixelRect{178, 48, 253, 66}));
    EXPECT_EQ(Place(places, control_id::kClear), (PixelRect{257, 48, 332, 66}));
    EXPECT_EQ(Place(places, control_id::kFind), (PixelRect{336, 48, 411, 66}));
    EXPECT_EQ(Place(places, control_id::kHostList), (PixelRect{99, 70, 522, 409}));

    places = LayoutPane(kSearchPane, pane);
    EXPECT_EQ(Place(places, control_id::kSearchProgress), (PixelRect{99, 48, 522, 64}));
    EXPECT_EQ(Place(places, control_id::kSearchMask), (PixelRect{99, 66, 442, 86}));
    EXPECT_EQ(Place(places, control_id::kSearchButton), (PixelRect{446, 66, 521, 86}));
    EXPECT_EQ(Place(places, control_id::kSearchResults), (PixelRect{99, 88, 522, 409}));

    places = LayoutPane(kGameServersPane, pane);
    EXPECT_EQ(Place(places, control_id::kGameServerList), (PixelRect{99, 48, 522, 228}));
    EXPECT_EQ(Place(places, control_id::kPlayersList), (PixelRect{99, 229, 309, 409}));
    EXPECT_EQ(Place(places, control_id::kRulesList), (PixelRect{311, 229, 522, 409}));
}

TEST(WindowLayoutTest, LocalSharesListsGrowWithTheirRowsUpToAThirdEach) {
    const PixelRect pane = PaneRect(527, 414);  // 361 high: a third is 120
    auto places = LayoutPane(kLocalSharesPane, pane, {50, 200});
    EXPECT_EQ(Place(places, control_id::kSharesList), (PixelRect{99, 48, 522, 98}));
    EXPECT_EQ(Place(places, control_id::kSessionsList), (PixelRect{99, 99, 522, 219}));
    EXPECT_EQ(Place(places, control_id::kFilesList), (PixelRect{99, 220, 522, 409}));

    // One more row makes the shares list higher and pushes the others down.
    places = LayoutPane(kLocalSharesPane, pane, {68, 0});
    EXPECT_EQ(Place(places, control_id::kSharesList).Height(), 68);
    EXPECT_EQ(Place(places, control_id::kSessionsList), (PixelRect{99, 117, 522, 117}));
    EXPECT_EQ(Place(places, control_id::kFilesList).top, 118);
}

TEST(WindowLayoutTest, GameServerHalvesAtTheMinimumAndAnOddSize) {
    auto places = LayoutPane(kGameServersPane, PaneRect(516, 455));  // 412 x 402
    EXPECT_EQ(Place(places, control_id::kGameServerList), (PixelRect{99, 48, 511, 249}));
    EXPECT_EQ(Place(places, control_id::kPlayersList), (PixelRect{99, 250, 304, 450}));
    EXPECT_EQ(Place(places, control_id::kRulesList), (PixelRect{306, 250, 511, 450}));

    places = LayoutPane(kGameServersPane, PaneRect(1001, 777));  // 897 x 724
    EXPECT_EQ(Place(places, control_id::kGameServerList), (PixelRect{99, 48, 996, 410}));
    EXPECT_EQ(Place(places, control_id::kPlayersList), (PixelRect{99, 411, 546, 772}));
    EXPECT_EQ(Place(places, control_id::kRulesList), (PixelRect{548, 411, 996, 772}));
}

TEST(WindowLayoutTest, EveryPaneControlGetsAPlace) {
    const PixelRect pane = PaneRect(800, 600);
    for (int number : kPanes) {
        const auto places = LayoutPane(number, pane, {10, 10});
        const auto ids = PaneControls(number);
        ASSERT_EQ(places.size(), ids.size()) << "pane " << number;
        for (size_t i = 0; i < ids.size(); ++i) {
            EXPECT_EQ(places[i].id, ids[i]);
            EXPECT_GE(places[i].rect.left, pane.left);
            EXPECT_LE(places[i].rect.right, pane.right);
            EXPECT_GE(places[i].rect.top, pane.top);
            EXPECT_LE(places[i].rect.bottom, pane.bottom);
        }
    }
}

}  // namespace
}  // namespace corvimap
