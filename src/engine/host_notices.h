#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

#include "engine/ipv4.h"

namespace corvimap {

// A host that a scan found new or lost.
struct HostNotice {
    enum class Kind { Found, Dead } kind = Kind::Found;
    NetAddress address = 0;
    std::string name;  // "" for dead hosts and hosts without a name
};

// Notices collected from the probe workers until the window's thread takes them, so that the
// hosts of one scan make one desktop notification rather than one each. Thread-safe.
class HostNoticeBatch {
public:
    // True when the batch was empty: the caller then arranges for it to be taken.
    bool Add(HostNotice notice);
    // Everything collected, oldest first; the batch is empty afterwards.
    std::vector<HostNotice> Take();

private:
    std::mutex mutex_;
    std::vector<HostNotice> notices_;
};

// A desktop notification's two texts. The body may be read as markup by the notification
// service, so the host names in it are escaped.
struct NotificationText {
    std::string summary;
    std::string body;
};

// The log's own wording ("Found new host: 198.18.0.2 (FILES)", "Dead host: 198.18.0.3"), one
// line per host, in the language current now. The summary names the kinds present with their
// counts; beyond `max_lines` hosts the body ends with a "... and N more" line.
NotificationText FormatHostNotices(const std::vector<HostNotice>& notices,
                                   std::size_t max_lines = 8);

}  // namespace corvimap
