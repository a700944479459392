// Writes the program's icon as a PNG, for the desktop entry.

#include "ProgramLook.h"

#include <QGuiApplication>
#include <QPixmap>

int main(int argc, char* argv[]) {
    QGuiApplication application(argc, argv);
    constexpr int kIconSize = 64;
    if (argc < 2 || !programIcon().pixmap(kIconSize).save(QString::fromLocal8Bit(argv[1])))
        return 1;
    return 0;
}
