// T.O.V.R.A.N: a control panel for the Kenwood TS-440, TS-940, TS-811 and TS-711.

#include "ProgramStart.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("T.O.V.R.A.N"));
    QApplication::setApplicationVersion(QStringLiteral("1.00"));
    QApplication::setOrganizationName(QStringLiteral("TOVRAN"));
    // The program ends when the panel or the port window says so, not when a window hides.
    QApplication::setQuitOnLastWindowClosed(false);

    ProgramStart program;
    program.begin();
    return application.exec();
}
