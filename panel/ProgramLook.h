#pragma once

#include <QFont>
#include <QIcon>
#include <QRect>

class QWidget;

// What both windows share of their look: the icon, the fonts and the geometry.

// The windows were laid out in twips, 15 to a pixel at 96 dpi; Qt scales on larger screens.
constexpr QRect twips(int left, int top, int width, int height) {
    constexpr int kTwipsPerPixel = 15;
    return QRect(left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
                 height / kTwipsPerPixel);
}

QIcon programIcon();

// Arial at the given size, bold where asked (frame captions, the port window's texts).
QFont captionFont(qreal pointSize, bool bold = true);

// Every control's own font unless it is given another: MS Sans Serif 8.25 pt, regular. Set on
// each control, so that none takes the bold of the frame it sits in.
QFont windowFont();

// The seven-segment look of the display: "LCDMono" where installed, otherwise a fixed-pitch
// font, which keeps every caption readable, letters included. Regular weight.
QFont displayFont(qreal pointSize);

void centreOnScreen(QWidget* window);
