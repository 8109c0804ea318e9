#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "text/utf8_cut.h"

namespace corvimap {

// Cuts a byte stream into lines the way a reader with a fixed line buffer sees them: a line longer
// than max_piece bytes comes out as several pieces, each treated as a line of its own. A piece
// never ends inside a UTF-8 sequence and never holds the '\n' that ended its line. Bytes can be
// fed in blocks of any size, so a large file needs no more memory than one block and one piece.
class LinePieceSplitter {
public:
    explicit LinePieceSplitter(size_t max_piece) : max_piece_(max_piece == 0 ? 1 : max_piece) {}

    // Calls on_piece(std::string_view) for every piece that is complete with these bytes.
    template <typename OnPiece>
    void Feed(std::string_view bytes, OnPiece&& on_piece) {
        while (!bytes.empty()) {
            size_t newline = bytes.find('\n');
            std::string_view part = bytes.substr(0, newline);
            if (newline != std::string_view::npos && pending_.empty()) {
                EmitLine(part, on_piece);
            } else {
                pending_.append(part);
                if (newline != std::string_view::npos) {
                    EmitLine(pending_, on_piece);
                    pending_.clear();
                } else {
                    EmitFullPieces(on_piece);
                }
            }
            if (newline == std::string_view::npos) {
                break;
            }
            bytes.remove_prefix(newline + 1);
        }
    }

    // Ends the stream: a last line without '\n' comes out now.
    template <typename OnPiece>
    void Finish(OnPiece&& on_piece) {
        if (!pending_.empty()) {
            EmitLine(pending_, on_piece);
            pending_.clear();
        }
        line_started_ = false;
    }

private:
    size_t NextPieceLength(std::string_view line) const {
        return Utf8PrefixLength(line, max_piece_);
    }

    // The rest of a line up to its end. A line that filled its last piece exactly leaves no empty
    // piece behind, whether it came in one block or in several; an empty line is one empty piece.
    template <typename OnPiece>
    void EmitLine(std::string_view line, OnPiece& on_piece) {
        bool emitted = line_started_;
        while (line.size() > max_piece_) {
            size_t length = NextPieceLength(line);
            on_piece(line.substr(0, length));
            line.remove_prefix(length);
            emitted = true;
        }
        if (!line.empty() || !emitted) {
            on_piece(line);
        }
        line_started_ = false;
    }

    // Pieces of an unfinished line that are already full; the rest waits for more bytes. A piece
    // is only cut once the three bytes beyond the limit are known: a sequence the cut would split
    // ends there, and whether it is whole decides the cut. With fewer, a line with broken UTF-8
    // would be cut differently depending on where the blocks happen to end.
    template <typename OnPiece>
    void EmitFullPieces(OnPiece& on_piece) {
        std::string_view rest = pending_;
        while (rest.size() >= max_piece_ + 3) {
            size_t length = NextPieceLength(rest);
            on_piece(rest.substr(0, length));
            rest.remove_prefix(length);
            line_started_ = true;
        }
        pending_.erase(0, pending_.size() - rest.size());
    }

    size_t max_piece_;
    std::string pending_;        // the unfinished line's bytes not yet given out
    bool line_started_ = false;  // some piece of the unfinished line was given out already
};

// Every piece of a whole buffer, in order.
template <typename OnPiece>
void ForEachLinePiece(std::string_view bytes, size_t max_piece, OnPiece&& on_piece) {
    LinePieceSplitter splitter(max_piece);
    splitter.Feed(bytes, on_piece);
    splitter.Finish(on_piece);
}

}  // namespace corvimap
