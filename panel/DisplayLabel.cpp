#include "DisplayLabel.h"

DisplayLabel::DisplayLabel(const QString& caption, const QFont& font, const QColor& colour,
                           Anchor anchor, QWidget* parent)
    : QLabel(caption, parent), anchor_(anchor) {
    setFont(font);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::black);
    colours.setColor(QPalette::WindowText, colour);
    setPalette(colours);
}

void DisplayLabel::place(const QRect& area) {
    area_ = area;
    fitCaption();
}

void DisplayLabel::setCaption(const QString& caption) {
    if (caption == text())
        return;
    setText(caption);
    fitCaption();
    emit captionChanged(caption);
}

void DisplayLabel::setTextColour(const QColor& colour) {
    if (colour == textColour())
        return;  // every status report sets it; only a change needs a repaint
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, colour);
    setPalette(colours);
}

QColor DisplayLabel::textColour() const {
    return palette().color(QPalette::WindowText);
}

void DisplayLabel::fitCaption() {
    const QSize size = sizeHint().expandedTo(QSize(0, area_.height()));
    QRect frame(area_.topLeft(), size);
    if (anchor_ == Anchor::Centre)
        frame.moveCenter(area_.center());
    setGeometry(frame);
}
