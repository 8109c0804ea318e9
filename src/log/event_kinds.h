#pragma once

#include <cstdint>

namespace corvimap {

// What a log message is about; also the picture of its row and the last field of its file line.
enum class EventKind : int32_t {
    kGeneral = 0,
    kFoundHost = 2,
    kDeadHost = 3,
    kInternalError = 5,
};

// The event-log switches among the current group's scan flags (FlagsGroup0). Bit 7 switches the
// whole log; bits 8 and 9 are read once at start; the others choose which events are raised, and
// each raiser tests its own bit before it adds a message.
struct LogEventBits {
    static constexpr uint32_t kEnableLog = 0x80;
    static constexpr uint32_t kEnableLogFile = 0x100;
    static constexpr uint32_t kAutoLoadLogFile = 0x200;
    static constexpr uint32_t kLogStartProgram = 0x400;
    static constexpr uint32_t kLogCloseProgram = 0x800;
    static constexpr uint32_t kLogHideToTray = 0x1000;
    static constexpr uint32_t kLogStartScan = 0x2000;
    static constexpr uint32_t kLogStopScan = 0x4000;
    static constexpr uint32_t kLogFoundNewHost = 0x8000;
    static constexpr uint32_t kLogDeadHost = 0x10000;
    static constexpr uint32_t kLogInternalErrors = 0x20000;
    static constexpr uint32_t kLogAddShare = 0x40000;
    static constexpr uint32_t kLogDeleteShare = 0x80000;
    static constexpr uint32_t kLogConnectUser = 0x100000;
    static constexpr uint32_t kLogDisconnectUser = 0x200000;
    static constexpr uint32_t kLogOpenLocalFile = 0x400000;

    // Every bit above.
    static constexpr uint32_t kAll = 0x7FFF80;
};

}  // namespace corvimap
