#include "app/version_info.h"

#include <gtest/gtest.h>

namespace corvimap {
namespace {

TEST(VersionInfoTest, ThisBuildNamesItselfCorvimap2017BetaByTarvok) {
    const VersionInfo info;
    EXPECT_EQ(info.Value("InternalName"), "Corvimap");
    EXPECT_EQ(info.Value("ProductVersion"), "2.0");
    EXPECT_EQ(info.Value("PrivateBuild"), "17");
    EXPECT_EQ(info.Value("CompanyName"), "Tarvok");
    EXPECT_EQ(info.Value("NoSuchValue"), "");
    EXPECT_EQ(info.VersionLine(),
              "Corvimap 2.0.17.beta " + info.Value("LegalCopyright") + " by Tarvok");
    EXPECT_FALSE(info.Value("LegalCopyright").empty());
}

TEST(VersionInfoTest, MissingValuesLeaveTheFixedPieces) {
    EXPECT_EQ(VersionInfo(std::map<std::string, std::string, std::less<>>{}).VersionLine(),
              " ..beta  by ");
    const VersionInfo no_build({{"InternalName", "Corvimap"},
                                {"ProductVersion", "2.0"},
                                {"LegalCopyright", "(C) 2026"},
                                {"CompanyName", "Tarvok"}});
    EXPECT_EQ(no_build.VersionLine(), "Corvimap 2.0..beta (C) 2026 by Tarvok");
}

}  // namespace
}  // namespace corvimap
