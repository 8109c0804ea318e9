#include "controls/qt/list_images.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cmath>
#include <numbers>

#include "log/event_kinds.h"

namespace corvimap {
namespace {

constexpr int kGeneralKind = static_cast<int>(EventKind::kGeneral);
constexpr int kFoundHostKind = static_cast<int>(EventKind::kFoundHost);
constexpr int kDeadHostKind = static_cast<int>(EventKind::kDeadHost);
constexpr int kErrorKind = static_cast<int>(EventKind::kInternalError);

const QColor kOutline(0x30, 0x30, 0x30);

// A desktop computer: bezel, screen in the given colour, neck and foot.
void PaintMonitor(QPainter& p, const QColor& bezel, const QColor& screen) {
    p.setPen(kOutline);
    p.setBrush(bezel);
    p.drawRect(QRectF(1.5, 1.5, 13, 9));
    p.setPen(Qt::NoPen);
    p.setBrush(screen);
    p.drawRect(QRectF(3, 3, 10, 6));
    p.setBrush(kOutline);
    p.drawRect(QRectF(7, 11, 2, 2));
    p.setPen(kOutline);
    p.setBrush(bezel);
    p.drawRect(QRectF(3.5, 12.5, 9, 2));
}

void PaintKnownHost(QPainter& p) {
    PaintMonitor(p, QColor(0xC8, 0xC8, 0xC8), QColor(0x20, 0x60, 0xC8));
}

// The probe got an answer and is still at work: a bright green screen with a signal mark.
void PaintAnswered(QPainter& p) {
    PaintMonitor(p, QColor(0xC8, 0xC8, 0xC8), QColor(0x20, 0xC0, 0x30));
    p.setPen(QPen(Qt::white, 1));
    p.drawLine(QPointF(4.5, 7.5), QPointF(6.5, 5.5));
    p.drawLine(QPointF(6.5, 5.5), QPointF(8.5, 7.5));
    p.drawLine(QPointF(8.5, 7.5), QPointF(11.5, 4.5));
}

// A star in the corner says "new".
void PaintNewHost(QPainter& p) {
    PaintKnownHost(p);
    QPolygonF star;
    const QPointF centre(12, 4);
    for (int i = 0; i < 10; ++i) {
        const double radius = (i % 2 == 0) ? 4.2 : 1.8;
        const double angle = -std::numbers::pi / 2 + i * std::numbers::pi / 5;
        star << centre + QPointF(radius * std::cos(angle), radius * std::sin(angle));
    }
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(QColor(0xC0, 0x60, 0x00), 0.8));
    p.setBrush(QColor(0xFF, 0xE0, 0x20));
    p.drawPolygon(star);
    p.setRenderHint(QPainter::Antialiasing, false);
}

// A dark, switched-off computer crossed out in red.
void PaintDeadHost(QPainter& p) {
    PaintMonitor(p, QColor(0xA0, 0xA0, 0xA0), QColor(0x50, 0x50, 0x50));
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(QColor(0xE0, 0x10, 0x10), 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(3, 2.5), QPointF(13, 10.5));
    p.drawLine(QPointF(13, 2.5), QPointF(3, 10.5));
    p.setRenderHint(QPainter::Antialiasing, false);
}

// A yellow folder on a network cable.
void PaintShares(QPainter& p) {
    p.setPen(QColor(0x20, 0x40, 0xA0));
    p.drawLine(8, 12, 8, 14);
    p.drawLine(2, 15, 14, 15);
    p.setPen(QColor(0x80, 0x60, 0x10));
    p.setBrush(QColor(0xE0, 0xB0, 0x30));
    p.drawRect(QRectF(1.5, 1.5, 5, 2));
    p.setBrush(QColor(0xF8, 0xD0, 0x48));
    p.drawRect(QRectF(1.5, 3.5, 13, 8));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xFF, 0xE8, 0x90));
    p.drawRect(QRectF(2, 4, 12, 2));
}

// A written page with a folded corner.
void PaintLoaded(QPainter& p) {
    QPolygonF page;
    page << QPointF(2.5, 0.5) << QPointF(9.5, 0.5) << QPointF(13.5, 4.5) << QPointF(13.5, 15.5)
         << QPointF(2.5, 15.5);
    p.setPen(QColor(0x50, 0x50, 0x50));
    p.setBrush(Qt::white);
    p.drawPolygon(page);
    QPolygonF fold;
    fold << QPointF(9.5, 0.5) << QPointF(9.5, 4.5) << QPointF(13.5, 4.5);
    p.setBrush(QColor(0xD8, 0xD8, 0xD8));
    p.drawPolygon(fold);
    p.setPen(QColor(0x30, 0x60, 0xB0));
    for (int y = 6; y <= 12; y += 2) {
        p.drawLine(4, y, y == 12 ? 8 : 11, y);
    }
}

// A game badge: a white "Q" on the game's colour, with a small mark in the top right corner.
void PaintQuakeBadge(QPainter& p, const QColor& colour, const char* const mark[5]) {
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(colour.darker(150), 1));
    p.setBrush(colour);
    p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
    p.setPen(QPen(Qt::white, 1.8));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(6, 9), 3.6, 3.8);
    p.setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(7.5, 11.2), QPointF(10.2, 13.8));
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    for (int row = 0; row < 5; ++row) {
        for (int column = 0; mark[row][column] != '\0'; ++column) {
            if (mark[row][column] == '#') {
                p.drawRect(10 + column, 1 + row, 1, 1);
            }
        }
    }
}

constexpr const char* kMarkW[5] = {"#...#", "#...#", "#.#.#", "##.##", "#...#"};
constexpr const char* kMark2[5] = {".###", "...#", ".###", ".#..", ".###"};
constexpr const char* kMark3[5] = {".###", "...#", "..##", "...#", ".###"};

// A round badge in the colour with a white upright stroke and a dot, the dot above the stroke
// ("i") or below it ("!").
void PaintMarkBadge(QPainter& p, const QColor& colour, bool dot_on_top) {
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(colour.darker(150), 1));
    p.setBrush(colour);
    p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    if (dot_on_top) {
        p.drawEllipse(QRectF(6.6, 2.8, 2.8, 2.8));
        p.drawRoundedRect(QRectF(6.8, 6.6, 2.4, 6.6), 0.8, 0.8);
    } else {
        p.drawRoundedRect(QRectF(6.6, 2.8, 2.8, 7.4), 1, 1);
        p.drawEllipse(QRectF(6.6, 10.8, 2.8, 2.8));
    }
    p.setRenderHint(QPainter::Antialiasing, false);
}

// The pictures of the log's kinds: a found host and a dead host look as in the host list.
void PaintLogKind(QPainter& p, int kind) {
    switch (kind) {
        case kGeneralKind:
            PaintMarkBadge(p, QColor(0x2B, 0x6C, 0xC4), true);
            break;
        case kFoundHostKind:
            PaintNewHost(p);
            break;
        case kDeadHostKind:
            PaintDeadHost(p);
            break;
        case kErrorKind:
            PaintMarkBadge(p, QColor(0xC8, 0x28, 0x28), false);
            break;
        default:
            break;
    }
}

bool HasPicture(ListImages::Set set, int index) {
    return set == ListImages::Set::kHosts || index == kGeneralKind || index == kFoundHostKind ||
           index == kDeadHostKind || index == kErrorKind;
}

void PaintImage(QPainter& p, int index) {
    switch (index) {
        case ListImages::kKnownHost:
            PaintKnownHost(p);
            break;
        case ListImages::kAnswered:
            PaintAnswered(p);
            break;
        case ListImages::kNewHost:
            PaintNewHost(p);
            break;
        case ListImages::kDeadHost:
            PaintDeadHost(p);
            break;
        case ListImages::kShares:
            PaintShares(p);
            break;
        case ListImages::kLoaded:
            PaintLoaded(p);
            break;
        case ListImages::kQuakeWorld:
            PaintQuakeBadge(p, QColor(0x8B, 0x5A, 0x2B), kMarkW);
            break;
        case ListImages::kQuake2:
            PaintQuakeBadge(p, QColor(0x2E, 0x7D, 0x32), kMark2);
            break;
        case ListImages::kQuake3:
            PaintQuakeBadge(p, QColor(0xB0, 0x1C, 0x1C), kMark3);
            break;
        default:
            break;
    }
}

QImage Render(ListImages::Set set, int index, int scale) {
    if (!HasPicture(set, index)) {
        return {};
    }
    QImage image(ListImages::kSize * scale, ListImages::kSize * scale,
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(scale);
    QPainter painter(&image);
    if (set == ListImages::Set::kLogKinds) {
        PaintLogKind(painter, index);
    } else {
        PaintImage(painter, index);
    }
    return image;
}

}  // namespace

ListImages::ListImages(Set set) {
    for (int index = 0; index < kCount; ++index) {
        normal_[index] = Render(set, index, 1);
        double_[index] = Render(set, index, 2);
    }
}

const ListImages& ListImages::Standard() {
    static const ListImages images;
    return images;
}

const ListImages& ListImages::LogKinds() {
    static const ListImages images(Set::kLogKinds);
    return images;
}

const QImage& ListImages::Image(int index) const {
    return Valid(index) ? normal_[index] : none_;
}

void ListImages::Draw(QPainter& painter, int index, QPoint at) const {
    if (!Valid(index) || normal_[index].isNull()) {
        return;
    }
    const bool dense = painter.device() != nullptr && painter.device()->devicePixelRatio() > 1.0;
    painter.drawImage(QRect(at, QSize(kSize, kSize)), dense ? double_[index] : normal_[index]);
}

QString ListImages::Meaning(int index) {
    switch (index) {
        case kKnownHost:
            return QStringLiteral("Known host");
        case kAnswered:
            return QStringLiteral("Answered");
        case kNewHost:
            return QStringLiteral("New host");
        case kDeadHost:
            return QStringLiteral("Dead host");
        case kShares:
            return QStringLiteral("Shares");
        case kLoaded:
            return QStringLiteral("Loaded from file");
        case kQuakeWorld:
            return QStringLiteral("QuakeWorld");
        case kQuake2:
            return QStringLiteral("Quake II");
        case kQuake3:
            return QStringLiteral("Quake III Arena");
        default:
            return QStringLiteral("Image %1").arg(index);
    }
}

QString ListImages::LogKindMeaning(int index) {
    switch (index) {
        case kGeneralKind:
            return QStringLiteral("Message");
        case kFoundHostKind:
            return QStringLiteral("Found new host");
        case kDeadHostKind:
            return QStringLiteral("Dead host");
        case kErrorKind:
            return QStringLiteral("Internal error");
        default:
            return QStringLiteral("Kind %1").arg(index);
    }
}

}  // namespace corvimap
