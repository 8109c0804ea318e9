#include "cli/scan_options.h"

#include <gtest/gtest.h>

namespace corvimap {
namespace {

ScanOptionsResult Parse(std::vector<std::string_view> args) {
    return ParseScanOptions(args);
}

TEST(ScanOptionsTest, DefaultsMatchAnEmptyStoresDefaultGroup) {
    auto result = Parse({"198.18.0.1-254"});
    ASSERT_TRUE(result.options) << result.error;
    const ScanOptions& options = *result.options;
    EXPECT_TRUE(options.fast_pass);
    EXPECT_FALSE(options.ping_pass);
    EXPECT_TRUE(options.resolve_names);
    EXPECT_FALSE(options.list_shares);
    EXPECT_TRUE(options.game_types.empty());
    EXPECT_EQ(options.timeout_ms, 50);
    EXPECT_EQ(options.threads, 7);
    EXPECT_FALSE(options.json);
    EXPECT_FALSE(options.search_masks);
    EXPECT_EQ(options.ranges, std::vector<std::string>{"198.18.0.1-254"});

    // A file search lists the shares it walks.
    auto search = Parse({"--search=*.mp3|*.avi", "198.18.0.1"});
    ASSERT_TRUE(search.options) << search.error;
    EXPECT_EQ(search.options->search_masks, "*.mp3|*.avi");
    EXPECT_TRUE(search.options->list_shares);
}

TEST(ScanOptionsTest, EveryOptionInBothSpellings) {
    auto result = Parse({"--no-fast", "--ping", "--no-resolve", "--shares", "--games", "q3,qw,q3",
                         "--timeout=200", "--threads", "64", "--log", "/tmp/x.log", "--json",
                         "10.0.0.250>10.0.1.5", "127.0.0.1"});
    ASSERT_TRUE(result.options) << result.error;
    const ScanOptions& options = *result.options;
    EXPECT_FALSE(options.fast_pass);
    EXPECT_TRUE(options.ping_pass);
    EXPECT_FALSE(options.resolve_names);
    EXPECT_TRUE(options.list_shares);
    EXPECT_EQ(options.game_types, (std::vector<std::string>{"q3", "qw"}));
    EXPECT_EQ(options.timeout_ms, 200);
    EXPECT_EQ(options.threads, 64);
    EXPECT_EQ(options.log_file, "/tmp/x.log");
    EXPECT_TRUE(options.json);
    EXPECT_EQ(options.ranges, (std::vector<std::string>{"10.0.0.250>10.0.1.5", "127.0.0.1-1"}));
}

TEST(ScanOptionsTest, BadInputNamesWhatWasWrong) {
    struct Case {
        std::vector<std::string_view> args;
        std::string_view named;
    };
    const Case cases[] = {
        {{}, "no range"},
        {{"--json"}, "no range"},
        {{"192.168.1.300-4"}, "192.168.1.300-4"},
        {{"192.168.1.1-256"}, "192.168.1.1-256"},
        {{"192.168.1.1-"}, "192.168.1.1-"},
        {{"192.168.1-4"}, "192.168.1-4"},
        {{"1.2.3.4>1.2.3"}, "1.2.3.4>1.2.3"},
        {{"host.example"}, "host.example"},
        {{"1.2.3.4", "--threads", "0"}, "--threads"},
        {{"1.2.3.4", "--threads"}, "--threads"},
        {{"1.2.3.4", "--timeout", "5x"}, "--timeout"},
        {{"1.2.3.4", "--games", "q4"}, "--games"},
        {{"1.2.3.4", "--games", "qw,"}, "--games"},
        {{"1.2.3.4", "--fast"}, "--fast"},
        {{"1.2.3.4", "--json=1"}, "--json"},
        {{"1.2.3.4", "--log="}, "--log"},
        {{"1.2.3.4", "--search"}, "--search"},
    };
    for (const auto& c : cases) {
        auto result = ParseScanOptions(c.args);
        EXPECT_FALSE(result.options);
        EXPECT_NE(result.error.find(c.named), std::string::npos)
            << "error '" << result.error << "' should name " << c.named;
        EXPECT_EQ(result.error.find('\n'), std::string::npos);
    }
}

}  // namespace
}  // namespace corvimap
