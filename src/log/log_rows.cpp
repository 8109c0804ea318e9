#include "log/log_rows.h"

#include <utility>

namespace corvimap {

bool LogRows::Add(LogRow row) {
    rows_.push_back(std::move(row));
    if (rows_.size() <= limit_) {
        return false;
    }
    rows_.pop_front();
    return true;
}

}  // namespace corvimap
