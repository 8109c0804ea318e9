#include "app/program_arguments.h"

namespace corvimap {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

bool EscapableInDoubleQuotes(char c) {
    return c == '$' || c == '`' || c == '"' || c == '\\' || c == '\n';
}

}  // namespace

std::string ReplaceFirstAddressMark(std::string_view line, std::string_view address) {
    std::string result(line);
    const size_t mark = result.find("%a");
    if (mark != std::string::npos) {
        result.replace(mark, 2, address);
    }
    return result;
}

std::vector<std::string> SplitParameterLine(std::string_view line) {
    std::vector<std::string> words;
    std::string word;
    bool in_word = false;
    size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (IsBlank(c)) {
            if (in_word) {
                words.push_back(std::move(word));
                word.clear();
                in_word = false;
            }
            ++i;
        } else if (c == '\'') {
            in_word = true;
            const size_t end = line.find('\'', i + 1);
            const size_t stop = end == std::string_view::npos ? line.size() : end;
            word.append(line.substr(i + 1, stop - i - 1));
            i = stop == line.size() ? stop : stop + 1;
        } else if (c == '"') {
            in_word = true;
            ++i;
            while (i < line.size() && line[i] != '"') {
                if (line[i] == '\\' && i + 1 < line.size() &&
                    EscapableInDoubleQuotes(line[i + 1])) {
                    if (line[i + 1] != '\n') {
                        word.push_back(line[i + 1]);
                    }
                    i += 2;
                } else {
                    word.push_back(line[i]);
                    ++i;
                }
            }
            if (i < line.size()) {
                ++i;  // the closing quote
            }
        } else if (c == '\\') {
            if (i + 1 >= line.size()) {
                in_word = true;
                word.push_back('\\');  // nothing left to escape: the backslash stays
                ++i;
            } else if (line[i + 1] == '\n') {
                i += 2;  // line continuation
            } else {
                in_word = true;
                word.push_back(line[i + 1]);
                i += 2;
            }
        } else {
            in_word = true;
            word.push_back(c);
            ++i;
        }
    }
    if (in_word) {
        words.push_back(std::move(word));
    }
    return words;
}

}  // namespace corvimap
