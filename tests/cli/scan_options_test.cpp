#include "cli/scan_options.h"

#include <gtest/gtest.h>

#include <cctype>
#include <regex>

#include "lab/netns_sandbox.h"

namespace corvimap {
namespace {

// Tests never ask DNS: names resolve from this table, or from /etc/hosts where a test says so.
std::optional<NetAddress> LabNames(std::string_view name) {
    if (name == "fileserver") {
        return MakeAddress(198, 18, 0, 11);
    }
    return std::nullopt;
}

ScanOptionsResult Parse(std::vector<std::string_view> args) {
    return ParseScanOptions(args, LabNames);
}

std::string Joined(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) {
        text += (text.empty() ? "" : ",") + item;
    }
    return text;
}

// Every field of the options in one line, so that one table row states a whole parse.
std::string Summary(const ScanOptions& o) {
    return std::string(o.fast_pass ? "fast" : "no-fast") + (o.ping_pass ? " ping" : "") +
           (o.parallel_ping ? " parallel" : "") + (o.resolve_names ? " resolve" : "") +
           (o.list_shares ? " shares" : "") + (o.json ? " json" : "") + (o.help ? " help" : "") +
           " timeout=" + std::to_string(o.timeout_ms) + " threads=" + std::to_string(o.threads) +
           " log=" + o.log_file + " search=" + o.search_masks.value_or("-") +
           " games=" + Joined(o.game_types) + " ranges=" + Joined(o.ranges);
}

// The defaults match an empty store's default group; a file search lists the shares it walks.
TEST(ScanOptionsTest, DefaultsAndEveryOptionInBothSpellings) {
    const std::pair<std::vector<std::string_view>, std::string> cases[] = {
        {{"198.18.0.1-254"},
         "fast resolve timeout=50 threads=7 log= search=- games= ranges=198.18.0.1-254"},
        {{"--search=*.mp3|*.avi", "198.18.0.1"},
         "fast resolve shares timeout=50 threads=7 log= search=*.mp3|*.avi games= "
         "ranges=198.18.0.1-1"},
        {{"--no-fast", "--ping", "--parallel-ping", "--no-resolve", "--shares", "--games",
          "q3,qw,q3", "--timeout=200", "--threads", "64", "--log", "/tmp/x.log", "--json",
          "10.0.0.250>10.0.1.5", "127.0.0.1"},
         "no-fast ping parallel shares json timeout=200 threads=64 log=/tmp/x.log search=- "
         "games=q3,qw ranges=10.0.0.250>10.0.1.5,127.0.0.1-1"},
    };
    for (const auto& [args, summary] : cases) {
        const auto result = Parse(args);
        ASSERT_TRUE(result.options) << result.error;
        EXPECT_EQ(Summary(*result.options), summary);
    }
}

TEST(ScanOptionsTest, BadInputNamesWhatWasWrong) {
    const std::pair<std::vector<std::string_view>, std::string_view> cases[] = {
        {{}, "no range"},
        {{"192.168.1.300-4"}, "192.168.1.300-4"},
        {{"192.168.1.1-256"}, "192.168.1.1-256"},
        {{"192.168.1-4"}, "192.168.1-4"},
        {{"1.2.3.4>1.2.3"}, "1.2.3.4>1.2.3"},
        {{"host.example"}, "cannot resolve host name 'host.example'"},
        {{"host\nname"}, "cannot resolve host name 'host?name'"},
        {{"010.0.0.1"}, "bad range '010.0.0.1'"},  // the walker would read 010 as octal 8
        {{"10.0.0.0/33"}, "10.0.0.0/33"},
        {{"10.0.0/8"}, "10.0.0/8"},
        {{"0.0.0.0/32"}, "0.0.0.0/32"},
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
    for (const auto& [args, named] : cases) {
        auto result = Parse(args);
        EXPECT_FALSE(result.options);
        EXPECT_NE(result.error.find(named), std::string::npos)
            << "error '" << result.error << "' should name " << named;
        EXPECT_EQ(result.error.find('\n'), std::string::npos);
    }
}

TEST(ScanOptionsTest, RangeFormsBecomeTheRangeTextsTheScanWalks) {
    const std::pair<std::string_view, std::string> cases[] = {
        {"10.0.0.1-254", "10.0.0.1-254"},
        {"10.0.0.250>10.0.1.5", "10.0.0.250>10.0.1.5"},
        {"127.0.0.1", "127.0.0.1-1"},
        {"10.0.0.0/23", "10.0.0.1>10.0.1.254"},
        {"10.0.0.77/24", "10.0.0.1>10.0.0.254"},  // host bits ignored
        {"10.0.0.6/31", "10.0.0.6>10.0.0.7"},
        {"10.0.0.7/32", "10.0.0.7>10.0.0.7"},
        {"0.0.0.0/0", "0.0.0.1>255.255.255.254"},
        {"0.0.0.0/31", "0.0.0.1>0.0.0.1"},  // 0.0.0.0 would end the walk
        {"fileserver", "198.18.0.11-11"},
        {"localhost", "127.0.0.1-1"},  // from /etc/hosts, through the system resolver
    };
    for (const auto& [argument, range] : cases) {
        int lookups = 0;
        const HostNameLookup lookup = [&lookups](std::string_view name) {
            ++lookups;
            return name == "localhost" ? LookUpHostName(name) : LabNames(name);
        };
        auto result = ParseScanOptions({argument}, lookup);
        ASSERT_TRUE(result.options) << argument << ": " << result.error;
        EXPECT_EQ(result.options->ranges, std::vector<std::string>{range});
        const bool is_name = std::isalpha(static_cast<unsigned char>(argument[0])) != 0;
        EXPECT_EQ(lookups, is_name ? 1 : 0) << argument;
    }
}

std::string RenderManPage(std::string* errors) {
    const std::string output = testing::ShellOutput(
        "MANWIDTH=200 man --warnings -l '" CORVIMAP_SCAN_MAN_PAGE
        "' 2>&1 >/dev/null; echo '@@'; MANWIDTH=200 man -l '" CORVIMAP_SCAN_MAN_PAGE
        "' 2>/dev/null");
    const size_t split = output.find("@@\n");
    *errors = output.substr(0, split);
    return split == std::string::npos ? "" : output.substr(split + 3);
}

TEST(ScanOptionsTest, HelpAndManPageDescribeEveryOptionAndExitStatus) {
    auto help = Parse({"198.18.0.1-999", "--log", "--help"});
    ASSERT_TRUE(help.options) << "help wins over a bad range";
    EXPECT_TRUE(help.options->help);
    EXPECT_TRUE(Parse({"-h"}).options->help);

    if (!testing::ProgramExists("man")) {
        GTEST_SKIP() << "man is not installed";
    }
    std::string errors;
    const std::string page = RenderManPage(&errors);
    EXPECT_EQ(errors, "") << "groff warnings";
    ASSERT_NE(page.find("EXIT STATUS"), std::string::npos) << page;
    ASSERT_NE(page.find("EXAMPLES"), std::string::npos);
    const std::string usage(kScanUsage);
    const std::string help_text = ScanHelpText();
    const std::regex option("--[a-z-]+");
    int options = 0;
    for (auto it = std::sregex_iterator(usage.begin(), usage.end(), option);
         it != std::sregex_iterator(); ++it, ++options) {
        EXPECT_NE(page.find(it->str()), std::string::npos) << it->str() << " in the man page";
        EXPECT_NE(help_text.find("  " + it->str()), std::string::npos) << it->str() << " in --help";
    }
    EXPECT_EQ(options, 11);
    for (const int status : {kExitDone, kExitPassFailed, kExitBadUsage}) {
        const std::string number = std::to_string(status);
        EXPECT_NE(page.find("\n       " + number + " "), std::string::npos) << status;
        EXPECT_NE(help_text.find(number + " "), std::string::npos) << status;
    }
}

}  // namespace
}  // namespace corvimap
