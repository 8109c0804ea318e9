#pragma once

#include <cstdint>

#include "engine/wait_cancel.h"

namespace corvimap {

// What a wait for a UDP reply found.
struct ReadableWait {
    bool ready = false;  // at least the asked number of bytes can be read
    // Microseconds from the start of the wait until the bytes were there; when they never came,
    // the whole time-out in microseconds.
    uint32_t waited_us = 0;
};

// Waits until at least min_bytes can be read from the socket (FIONREAD) or timeout_ms has
// passed. Blocks in poll() for the remaining time instead of waking up every millisecond, and
// returns as soon as the bytes are there. A negative time-out counts as 0. A cancel that fires
// ends the wait at once, as if the time-out had passed.
ReadableWait WaitReadable(int socket_fd, int32_t timeout_ms, int min_bytes = 7,
                          const WaitCancel* cancel = nullptr);

}  // namespace corvimap
