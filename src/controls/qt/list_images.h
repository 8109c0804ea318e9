#pragma once

#include <QImage>
#include <QPoint>
#include <QString>
#include <array>

class QPainter;

namespace corvimap {

// The one image list of the program: nine 16 x 16 pictures shared by the host list, the log, the
// game servers and the host info window. The index of a picture is fixed: host states, share and
// game server findings and log kinds all use these numbers.
class ListImages {
public:
    static constexpr int kCount = 9;
    static constexpr int kSize = 16;

    enum Index : int {
        kKnownHost = 0,
        kAnswered = 1,  // answered, probe under way; also the blink picture of the find dialog
        kNewHost = 2,
        kDeadHost = 3,
        kShares = 4,  // shares found, or share listing under way
        kLoaded = 5,  // loaded from the host list file
        kQuakeWorld = 6,
        kQuake2 = 7,
        kQuake3 = 8,
    };

    // Which pictures a list holds. The log's list keeps the same indexes, so that a message's
    // kind is its row's image index, with pictures of its own for a general message (0) and an
    // internal error (5); a found host (2) and a dead host (3) look as in the host list, and the
    // other indexes show nothing there.
    enum class Set { kHosts, kLogKinds };

    explicit ListImages(Set set = Set::kHosts);

    // The set every list but the log uses. Images are plain QImages, so this works before and
    // after the application object and from any thread once made.
    static const ListImages& Standard();
    // The log's set.
    static const ListImages& LogKinds();

    static bool Valid(int index) { return index >= 0 && index < kCount; }

    // The picture at 16 x 16 pixels; a null image for an index outside the list or one the set
    // has no picture for.
    const QImage& Image(int index) const;

    // Draws the picture with its top left corner at `at`, sharp on high-density screens too.
    // Indexes outside the list, and those without a picture, draw nothing: a row of an unknown
    // kind shows an empty cell.
    void Draw(QPainter& painter, int index, QPoint at) const;

    // What the picture means, for screen readers.
    static QString Meaning(int index);
    // What a picture of the log's set means: the kind of message.
    static QString LogKindMeaning(int index);

private:
    std::array<QImage, kCount> normal_;
    std::array<QImage, kCount> double_;
    QImage none_;
};

}  // namespace corvimap
