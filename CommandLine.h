#pragma once

#include "ServerOptions.h"

#include <QString>
#include <QStringList>

#include <optional>

// What the command line asks of the program.
struct ProgramOptions {
    enum class Outcome {
        Run,          // start the panel
        ShowHelp,     // print `text` and end
        ShowVersion,  // print `text` and end
        Refuse,       // `text` says what is wrong with the command line
    };
    Outcome outcome = Outcome::Run;
    QString text;
    std::optional<ServerOptions::Endpoint> listen;  // the rigctld server, when one is asked for
    QString com1;  // the devices named for "Com 1" and "Com 2", when they are
    QString com2;
};

// The exit status of a command line refused, as getopt's programs have it.
inline constexpr int kBadCommandLine = 2;

// The arguments as main() has them, the program's path first, Qt's own options (-platform,
// -style, -display...) left for Qt. Needs no application object: a command line is answered
// or refused before the window system is reached.
ProgramOptions programOptions(const QStringList& arguments);
