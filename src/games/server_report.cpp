#include "games/server_report.h"

#include "text/pipe_list.h"

namespace corvimap {

void ServerReport::AppendField(std::string_view field) {
    corvimap::AppendField(text_, field);
}

std::optional<std::string_view> ServerReport::PipeField(std::string_view text, size_t index) {
    return corvimap::PipeField(text, index);
}

}  // namespace corvimap
