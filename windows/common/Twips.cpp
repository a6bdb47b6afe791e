#include "Twips.h"

#include <QWidget>

namespace common {

void PlaceTwips(QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(TwipsRect(left, top, width, height));
}

void PlaceTwips(QWidget* widget, int left, int top) {
    widget->adjustSize();
    widget->move(TwipsToPixels(left), TwipsToPixels(top));
}

}  // namespace common
