#include "WindowParts.h"

#include <QLabel>
#include <QPushButton>

#include "Twips.h"
#include "text/Text.h"

namespace common {

Q_LOGGING_CATEGORY(lcSkipped, "vantor.skipped")

void LogSkipped(const char* what, const char* why) {
    qCWarning(lcSkipped, "skipped %s: %s", what, why);
}

QString Q(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

QString Number(std::optional<std::int32_t> value) {
    return value ? QString::number(*value) : QString();
}

QString Escaped(QStringView text) {
    const std::u16string_view view(text.utf16(), static_cast<std::size_t>(text.size()));
    if (!text::NeedsEscape(view)) return text.toString();
    return Q(text::EscapeControls(view));
}

QString TrimSpaces(const QString& text) {
    return Q(text::TrimSpaces(
        std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                            static_cast<std::size_t>(text.size()))));
}

void GrowToFit(QWidget* widget) {
    if (widget->sizeHint().width() > widget->width())
        widget->resize(widget->sizeHint().width(), widget->height());
}

void ShowCount(QLabel* label, long long count) {
    label->setText(QString::number(count));
    GrowToFit(label);
}

void ShowCount(QLabel* label, bool read, long long count) {
    if (read)
        ShowCount(label, count);
    else
        label->clear();
}

void KeepRightOf(QWidget* widget, const QWidget* neighbour, int gapTwips) {
    const int left = neighbour->geometry().right() + TwipsToPixels(gapTwips);
    if (widget->x() < left) widget->move(left, widget->y());
}

QLabel* NewLabel(QWidget* parent, const QString& text, int left, int top, int width, int height,
                 bool bold) {
    auto* label = new QLabel(text, parent);
    if (bold) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
    }
    PlaceTwips(label, left, top, width, height);
    GrowToFit(label);
    return label;
}

QPushButton* NewButton(QWidget* parent, const QString& text, int left, int top, int width,
                       int height) {
    auto* button = new QPushButton(text, parent);
    button->setAutoDefault(false);  // Enter must not press a button of its own accord
    PlaceTwips(button, left, top, width, height);
    return button;
}

}  // namespace common
