#pragma once

#include <QColor>
#include <QLabel>

// A label of the display: light text on black, as wide as its caption, growing from its left
// edge or, for the frequency, about its centre.
class DisplayLabel : public QLabel {
    Q_OBJECT

public:
    enum class Anchor { Left, Centre };

    DisplayLabel(const QString& caption, const QFont& font, const QColor& colour, Anchor anchor,
                 QWidget* parent);

    void place(const QRect& area);
    void setCaption(const QString& caption);
    void setTextColour(const QColor& colour);
    QColor textColour() const;

signals:
    void captionChanged(const QString& caption);

private:
    void fitCaption();

    Anchor anchor_;
    QRect area_;
};
