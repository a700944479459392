#include "ProgramLook.h"

#include <QFontDatabase>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

QIcon programIcon() {
    // A transceiver's front: dark case, cyan frequency window, tuning knob.
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(20, 20, 20), 2));
    painter.setBrush(QColor(60, 60, 66));
    painter.drawRoundedRect(QRectF(3, 14, 58, 38), 5, 5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawRect(QRectF(8, 20, 30, 13));
    painter.setPen(QPen(QColor(192, 255, 255), 2));
    painter.drawLine(QPointF(11, 26.5), QPointF(35, 26.5));
    painter.setPen(QPen(QColor(20, 20, 20), 1.5));
    painter.setBrush(QColor(170, 170, 176));
    painter.drawEllipse(QPointF(49, 33), 9, 9);
    painter.setBrush(QColor(0, 255, 0));
    painter.drawEllipse(QPointF(13, 43), 3, 3);
    painter.setPen(QPen(QColor(20, 20, 20), 2));
    painter.drawLine(QPointF(16, 14), QPointF(10, 2));
    return QIcon(pixmap);
}

QFont captionFont(qreal pointSize, bool bold) {
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

QFont windowFont() {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.25);
    font.setWeight(QFont::Normal);
    return font;
}

QFont displayFont(qreal pointSize) {
    const QString lcd = QStringLiteral("LCDMono");
    QFont font(lcd);
    font.setPointSizeF(pointSize);
    if (!QFontDatabase::hasFamily(lcd)) {
        // A fixed-pitch desktop font is wider than the narrow LCD digits: a smaller size keeps
        // "144,300,000" clear of the VFO and mode labels on either side.
        constexpr qreal kStandInScale = 0.8;
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSizeF(pointSize * kStandInScale);
    }
    font.setWeight(QFont::Normal);
    return font;
}

void centreOnScreen(QWidget* window) {
    const QScreen* screen = window->screen();
    if (screen == nullptr)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}
