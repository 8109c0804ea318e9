#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace corvimap {

// What a game server query yields: one text of "|"-separated fields. Field 0 is the server's
// "address:port", 1 its name, 2 its map, 3 its players ("count/maximum"), then name, frags and
// ping per player, then the two empty fields and "end", then key and value of every rule.
// Fields are never escaped, so a "|" inside a name or value shifts every field after it; the
// views read the text exactly that way.
class ServerReport {
public:
    ServerReport() = default;
    explicit ServerReport(std::string text) : text_(std::move(text)) {}

    // Adds "|" and the field, or the field alone to an empty text.
    void AppendField(std::string_view field);

    const std::string& Text() const { return text_; }
    // Bytes handed on with the report: the text and its terminating zero.
    size_t Length() const { return text_.size() + 1; }

    std::optional<std::string_view> Field(size_t index) const { return PipeField(text_, index); }

    // Field n of a "|"-separated text (see text/pipe_list.h).
    static std::optional<std::string_view> PipeField(std::string_view text, size_t index);

private:
    std::string text_;
};

}  // namespace corvimap
