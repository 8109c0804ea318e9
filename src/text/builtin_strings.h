#pragma once

#include <cstdint>
#include <span>

namespace corvimap {

struct BuiltinString {
    int32_t id;
    const char* text;
};

// The English texts compiled into the program, in table order: the language name (id -1) first,
// ending with the id 0 marker, whose text is never handed out.
std::span<const BuiltinString> BuiltinStrings();

// The built-in text of id, or nullptr when the table has none (id 0 included).
const char* FindBuiltinString(int32_t id);

inline constexpr const char* kStringNotFound = "!!!Str not found";
inline constexpr const char* kBuiltinLanguageName = "English";

// Ids of the texts, named after where the program shows them.
namespace text_id {
inline constexpr int32_t kLanguageName = -1;
inline constexpr int32_t kAbout = 1;
inline constexpr int32_t kOptions = 2;
inline constexpr int32_t kRefresh = 3;
inline constexpr int32_t kWork = 4;
inline constexpr int32_t kLog = 5;
inline constexpr int32_t kExit = 7;
inline constexpr int32_t kColumnName = 8;
inline constexpr int32_t kColumnTime = 9;
inline constexpr int32_t kColumnFound = 10;
inline constexpr int32_t kColumnWorkgroup = 11;
inline constexpr int32_t kColumnDescription = 12;
inline constexpr int32_t kHosts = 14;
inline constexpr int32_t kLoad = 16;
inline constexpr int32_t kSave = 17;
inline constexpr int32_t kClear = 18;
inline constexpr int32_t kSearch = 19;
inline constexpr int32_t kStop = 20;
inline constexpr int32_t kSendMessageTo = 21;
inline constexpr int32_t kShares = 22;
inline constexpr int32_t kNetworksTab = 23;
inline constexpr int32_t kGroup = 25;
inline constexpr int32_t kNetworks = 26;
inline constexpr int32_t kAddGroup = 27;
inline constexpr int32_t kDeleteGroup = 28;
inline constexpr int32_t kAddNetwork = 29;
inline constexpr int32_t kDeleteNetwork = 30;
inline constexpr int32_t kFastSearchOption = 31;
inline constexpr int32_t kPingOption = 32;
inline constexpr int32_t kResolveHostName = 34;
inline constexpr int32_t kDetectMacAddress = 35;
inline constexpr int32_t kScanShareResources = 36;
inline constexpr int32_t kAutoloadHostList = 37;
inline constexpr int32_t kMinimizeToTray = 38;
inline constexpr int32_t kShowHostInfo = 39;
inline constexpr int32_t kLanguage = 40;
inline constexpr int32_t kPingTimeout = 41;
inline constexpr int32_t kScanEvery = 43;
inline constexpr int32_t kThreadsOfScan = 44;
inline constexpr int32_t kNetUtils = 45;
inline constexpr int32_t kExternalProgs = 46;
inline constexpr int32_t kProgramStart = 47;
inline constexpr int32_t kProgramClose = 48;
inline constexpr int32_t kScannerStart = 49;
inline constexpr int32_t kScannerStop = 50;
inline constexpr int32_t kFoundNewHost = 52;
inline constexpr int32_t kDeadHost = 53;
inline constexpr int32_t kGlobalSearch = 54;
inline constexpr int32_t kLocalSharesInfo = 55;
inline constexpr int32_t kConnectNewUser = 56;
inline constexpr int32_t kOpenFile = 57;
inline constexpr int32_t kHostPrefix = 58;
inline constexpr int32_t kFastSearchPhase = 59;
inline constexpr int32_t kPingPhase = 61;
inline constexpr int32_t kAddShare = 62;
inline constexpr int32_t kDeleteShare = 63;
inline constexpr int32_t kDisconnectUser = 64;
// Network utilities.
inline constexpr int32_t kUnknownHost = 80;
inline constexpr int32_t kIcmpUnavailableForUtilities = 81;
// Failures the user is told about in the status line ("%s": what failed).
inline constexpr int32_t kIcmpUnavailable = 90;
inline constexpr int32_t kNoSmbHandler = 91;
inline constexpr int32_t kProgramNotStarted = 92;
}  // namespace text_id

}  // namespace corvimap
