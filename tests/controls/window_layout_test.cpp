#include "controls/window_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace corvimap {
namespace {

PixelRect Place(const std::vector<ControlPlace>& places, int id) {
    auto rect = FindPlace(places, id);
    EXPECT_TRUE(rect.has_value()) << "no place for control " << id;
    return rect.value_or(PixelRect{});
}

// The design's font gives the designed sizes; another font scales them in proportion, while a
// column never starts narrower than its widest sample cell.
TEST(WindowLayoutTest, DefaultSizesGrowWithTheFontAndColumnsHoldTheirSample) {
    EXPECT_EQ(BaseUnitsFromLetters(312, 13), kDesignBaseUnits);
    EXPECT_EQ(DefaultWindowRect(kDesignBaseUnits), PixelRect::FromSize(10, 10, 527, 414));
    for (const FontBaseUnits font :
         {BaseUnitsFromLetters(364, 16), BaseUnitsFromLetters(260, 11)}) {
        SCOPED_TRACE(font.x);
        const double grow_x = font.x / 6.0;
        const PixelRect window = DefaultWindowRect(font);
        EXPECT_NEAR(window.Width(), 527 * grow_x, 1);
        EXPECT_NEAR(window.Height(), 414 * font.y / 13.0, 1);
        EXPECT_NEAR(DefaultColumnWidth(122, font, 100), std::max(100.0, 122 * grow_x), 1);
        EXPECT_EQ(DefaultColumnWidth(10, font, 60), 60);
    }
}

bool Inside(const PixelRect& inner, const PixelRect& outer) {
    return inner.left >= outer.left && inner.right <= outer.right && inner.top >= outer.top &&
           inner.bottom <= outer.bottom;
}

bool Overlap(const PixelRect& a, const PixelRect& b) {
    return std::max(a.left, b.left) < std::min(a.right, b.right) &&
           std::max(a.top, b.top) < std::min(a.bottom, b.bottom);
}

// At the smallest, the first-start and a large size: the side buttons stand one below the other,
// Log above Exit at the bottom, the status line across the top with the pane below it, and every
// control of every pane inside the pane without covering another.
TEST(WindowLayoutTest, FrameAndPanesStayInsideTheWindowWithoutOverlap) {
    int last_bottom = 0;
    for (int id : kSideButtons) {
        const PixelRect rect = DesignedRect(id).value();
        EXPECT_GE(rect.top, last_bottom) << id;
        last_bottom = rect.bottom;
    }
    for (const auto& [width, height] :
         {std::pair{kMinimumWindowWidth, kMinimumWindowHeight}, {527, 414}, {1001, 777}}) {
        SCOPED_TRACE(::testing::Message() << width << "x" << height);
        const auto frame = LayoutFrame(width, height);
        const PixelRect exit = Place(frame, control_id::kExit);
        const PixelRect log = Place(frame, control_id::kLog);
        const PixelRect status = Place(frame, control_id::kStatusLine);
        const PixelRect pane = PaneRect(width, height);
        EXPECT_EQ(exit.bottom, height - 5);
        EXPECT_LT(log.bottom, exit.top);
        EXPECT_EQ(status.right, width - 5);
        EXPECT_GT(pane.top, status.bottom);
        EXPECT_EQ(pane.right, status.right);
        EXPECT_EQ(pane.bottom, exit.bottom);
        EXPECT_GT(pane.left, exit.right);
        EXPECT_TRUE(LayoutPane(kAboutPane, pane).empty());
        for (int number : kPanes) {
            const auto places = LayoutPane(number, pane, {10, 10});
            const auto ids = PaneControls(number);
            ASSERT_EQ(places.size(), ids.size()) << "pane " << number;
            for (size_t i = 0; i < ids.size(); ++i) {
                EXPECT_EQ(places[i].id, ids[i]);
                EXPECT_TRUE(Inside(places[i].rect, pane)) << "control " << ids[i];
                for (size_t j = 0; j < i; ++j) {
                    EXPECT_FALSE(Overlap(places[i].rect, places[j].rect))
                        << ids[i] << " covers " << ids[j];
                }
            }
            if (places.size() == 1) {
                EXPECT_EQ(places[0].rect, pane) << "pane " << number << " fills the pane";
            }
        }
        // The game servers list takes the upper half, players and rules share the lower one.
        const auto games = LayoutPane(kGameServersPane, pane);
        const PixelRect servers = Place(games, control_id::kGameServerList);
        const PixelRect players = Place(games, control_id::kPlayersList);
        const PixelRect rules = Place(games, control_id::kRulesList);
        EXPECT_LE(std::abs(servers.Height() - (pane.Height() - servers.Height())), 2);
        EXPECT_LE(std::abs(players.Width() - rules.Width()), 2);
        EXPECT_EQ(players.bottom, pane.bottom);
        EXPECT_EQ(rules.right, pane.right);
    }
}

TEST(WindowLayoutTest, LocalSharesListsGrowWithTheirRowsUpToAThirdEach) {
    const PixelRect pane = PaneRect(527, 414);  // 361 high: a third is 120
    struct Case {
        PaneNeeds needs;
        int shares_height;
        int sessions_height;
    };
    for (const Case& each : {Case{{50, 200}, 50, 120}, Case{{68, 0}, 68, 0}}) {
        SCOPED_TRACE(each.needs.shares_height);
        const auto places = LayoutPane(kLocalSharesPane, pane, each.needs);
        const PixelRect shares = Place(places, control_id::kSharesList);
        const PixelRect sessions = Place(places, control_id::kSessionsList);
        const PixelRect files = Place(places, control_id::kFilesList);
        EXPECT_EQ(shares.top, pane.top);
        EXPECT_EQ(shares.Height(), each.shares_height);
        EXPECT_EQ(sessions.top, shares.bottom + 1);
        EXPECT_EQ(sessions.Height(), each.sessions_height);
        EXPECT_EQ(files.top, sessions.bottom + 1);
        EXPECT_EQ(files.bottom, pane.bottom);
    }
}

}  // namespace
}  // namespace corvimap
