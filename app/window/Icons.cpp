#include "Icons.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>
#include <initializer_list>
#include <optional>

namespace app {
namespace {

// Every picture is drawn on a 32 x 32 grid and rendered at the sizes asked.
using Drawing = std::function<void(QPainter&)>;

QIcon Render(const Drawing& draw) {
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 32.0, size / 32.0);
        draw(painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

// A closed outline from `start`: straight to each point, or curved towards it
// through `via` when one is given; filled with `fill` in the current pen.
struct OutlineStep {
    QPointF to;
    std::optional<QPointF> via{};
};
void FillOutline(QPainter& p, const QColor& fill, QPointF start,
                 std::initializer_list<OutlineStep> steps) {
    QPainterPath path;
    path.moveTo(start);
    for (const OutlineStep& step : steps) {
        if (step.via)
            path.quadTo(*step.via, step.to);
        else
            path.lineTo(step.to);
    }
    path.closeSubpath();
    p.setBrush(fill);
    p.drawPath(path);
}

void Person(QPainter& p, QPointF head, qreal scale, const QColor& colour) {
    p.setPen(QPen(colour.darker(150), 1.0));
    p.setBrush(colour);
    p.drawEllipse(head, 4.2 * scale, 4.2 * scale);
    QPainterPath body;
    const qreal w = 7.5 * scale;
    const qreal top = head.y() + 5.5 * scale;
    body.moveTo(head.x() - w, top + 9.5 * scale);
    body.quadTo(head.x() - w, top, head.x(), top);
    body.quadTo(head.x() + w, top, head.x() + w, top + 9.5 * scale);
    body.closeSubpath();
    p.drawPath(body);
}

void Folder(QPainter& p, const QRectF& r, const QColor& colour) {
    p.setPen(QPen(colour.darker(160), 1.0));
    p.setBrush(colour.darker(115));
    QPainterPath tab;
    tab.moveTo(r.left(), r.top() + 3);
    tab.lineTo(r.left(), r.top());
    tab.lineTo(r.left() + r.width() * 0.4, r.top());
    tab.lineTo(r.left() + r.width() * 0.5, r.top() + 3);
    tab.closeSubpath();
    p.drawPath(tab);
    p.setBrush(colour);
    p.drawRoundedRect(QRectF(r.left(), r.top() + 3, r.width(), r.height() - 3), 1.5, 1.5);
}

void Page(QPainter& p, const QRectF& r) {
    QPainterPath page;
    page.moveTo(r.topLeft());
    page.lineTo(r.right() - 6, r.top());
    page.lineTo(r.right(), r.top() + 6);
    page.lineTo(r.bottomRight());
    page.lineTo(r.bottomLeft());
    page.closeSubpath();
    p.setPen(QPen(QColor(90, 90, 90), 1.0));
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.setBrush(QColor(220, 220, 220));
    QPainterPath fold;
    fold.moveTo(r.right() - 6, r.top());
    fold.lineTo(r.right() - 6, r.top() + 6);
    fold.lineTo(r.right(), r.top() + 6);
    fold.closeSubpath();
    p.drawPath(fold);
    p.setPen(QPen(QColor(150, 160, 190), 1.2));
    for (qreal y = r.top() + 9; y < r.bottom() - 3; y += 3.5)
        p.drawLine(QPointF(r.left() + 3, y), QPointF(r.right() - 3, y));
}

}  // namespace

QIcon AppIcon() {
    // An installed program has the same picture in the icon theme, at every
    // size the desktop asks for; the drawn one stands in elsewhere.
    return QIcon::fromTheme(QStringLiteral(VANTOR_APP_ID), Render([](QPainter& p) {
        // A server cabinet with an open folder in front of it, as the
        // installed icon draws it (packaging/icons).
        p.setPen(QPen(QColor(0x1e, 0x28, 0x3c), 1.2));
        p.setBrush(QColor(0x4b, 0x65, 0x9b));
        p.drawRoundedRect(QRectF(4, 2, 18, 28), 2.5, 2.5);
        p.setPen(QPen(QColor(0x1e, 0x28, 0x3c), 0.8));
        for (int i = 0; i < 3; ++i) {
            p.setBrush(QColor(0xc2, 0xce, 0xe4));
            p.drawRoundedRect(QRectF(7, 6 + i * 6, 12, 3.5), 0.5, 0.5);
        }
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x3c, 0x52, 0x82));
        for (int i = 0; i < 3; ++i) p.drawRoundedRect(QRectF(15.5, 7.2 + i * 6, 2, 1.1), 0.3, 0.3);
        p.setPen(QPen(QColor(0x1f, 0x7a, 0x2a), 0.5));
        p.setBrush(QColor(0x50, 0xdc, 0x5a));
        p.drawEllipse(QPointF(8.5, 26), 1.6, 1.6);

        QPen edge(QColor(0x8a, 0x5a, 0x0a), 1.0);
        edge.setJoinStyle(Qt::RoundJoin);
        p.setPen(edge);
        // The folder's back with its tab, then its open front.
        FillOutline(p, QColor(0xd4, 0x97, 0x1e), {14, 19},
                    {{{14, 16.6}}, {{14.6, 16}, QPointF(14, 16)}, {{19.6, 16}}, {{21.1, 18.4}},
                     {{29, 18.4}}, {{30.4, 19.8}, QPointF(30.4, 18.4)}, {{30.4, 28.6}},
                     {{29, 30}, QPointF(30.4, 30)}, {{15.4, 30}}, {{14, 28.6}, QPointF(14, 30)}});
        FillOutline(p, QColor(0xfa, 0xc8, 0x51), {14, 28.6},
                    {{{15.5, 22.2}}, {{16.6, 21.4}, QPointF(15.7, 21.4)}, {{30.2, 21.4}},
                     {{31, 22.3}, QPointF(31.2, 21.4)}, {{29.9, 29}},
                     {{28.7, 30}, QPointF(29.7, 30)}, {{15.4, 30}}, {{14, 28.6}, QPointF(14, 30)}});
    }));
}

QIcon UsersIcon() {
    return Render([](QPainter& p) {
        Person(p, QPointF(21, 8), 0.9, QColor(90, 160, 90));
        Person(p, QPointF(12, 11), 1.05, QColor(70, 110, 200));
    });
}

QIcon SharesIcon() {
    return Render([](QPainter& p) {
        Folder(p, QRectF(3, 4, 26, 18), QColor(250, 200, 70));
        // The folder offered to the network: a cable down to three computers.
        p.setPen(QPen(QColor(40, 70, 140), 2.0));
        p.drawLine(QPointF(16, 22), QPointF(16, 26));
        p.drawLine(QPointF(6, 26), QPointF(26, 26));
        p.setBrush(QColor(70, 110, 200));
        p.setPen(QPen(QColor(30, 50, 110), 1.0));
        for (const qreal x : {6.0, 16.0, 26.0}) p.drawRect(QRectF(x - 2.5, 27, 5, 4));
    });
}

QIcon InUseIcon() {
    return Render([](QPainter& p) {
        Page(p, QRectF(4, 2, 19, 25));
        // A padlock: the file is held open.
        p.setPen(QPen(QColor(120, 90, 20), 2.2));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(18, 12, 9, 10), 0, 180 * 16);
        p.setPen(QPen(QColor(120, 90, 20), 1.0));
        p.setBrush(QColor(235, 180, 40));
        p.drawRoundedRect(QRectF(16, 17, 13, 12), 1.5, 1.5);
        p.setBrush(QColor(90, 60, 10));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(22.5, 22), 1.5, 1.5);
        p.drawRect(QRectF(22, 22, 1, 4));
    });
}

QIcon AboutIcon() {
    return Render([](QPainter& p) {
        p.setPen(QPen(QColor(20, 60, 140), 1.2));
        p.setBrush(QColor(50, 110, 210));
        p.drawEllipse(QPointF(16, 16), 13, 13);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(16, 9.5), 2.3, 2.3);
        p.drawRoundedRect(QRectF(13.8, 13.5, 4.4, 11.5), 1.2, 1.2);
    });
}

QIcon ExitIcon() {
    return Render([](QPainter& p) {
        // An open door with an arrow leaving through it.
        p.setPen(QPen(QColor(70, 50, 30), 1.2));
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(QRectF(4, 3, 15, 26));
        QPainterPath door;
        door.moveTo(4, 3);
        door.lineTo(13, 6);
        door.lineTo(13, 31);
        door.lineTo(4, 29);
        door.closeSubpath();
        p.setBrush(QColor(160, 110, 60));
        p.drawPath(door);
        p.setBrush(QColor(250, 220, 120));
        p.drawEllipse(QPointF(11, 18), 1.0, 1.0);
        p.setPen(QPen(QColor(200, 40, 40), 3.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawLine(QPointF(16, 16), QPointF(29, 16));
        p.drawLine(QPointF(24, 11), QPointF(29, 16));
        p.drawLine(QPointF(24, 21), QPointF(29, 16));
    });
}

}  // namespace app
