#pragma once
// Window layouts are written in twips (1/1440 inch); at 96 dpi 15 twips make
// one pixel. Every window places its controls through these helpers.
#include <QRect>

class QWidget;

namespace common {

constexpr int TwipsToPixels(int twips) { return (twips + 7) / 15; }

constexpr QRect TwipsRect(int left, int top, int width, int height) {
    return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
                 TwipsToPixels(height));
}

// Moves and sizes `widget` within its parent.
void PlaceTwips(QWidget* widget, int left, int top, int width, int height);
// For labels that size themselves: only the position is given.
void PlaceTwips(QWidget* widget, int left, int top);

}  // namespace common
