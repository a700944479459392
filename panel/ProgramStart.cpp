#include "ProgramStart.h"

#include "Accessibility.h"
#include "FormControlTOVRAN.h"
#include "FormSelectPortTOVRAN.h"
#include "RadioConversation.h"
#include "SerialDevice.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace {
constexpr int kPortUnavailable = 1;
}

ProgramStart::ProgramStart(QObject* parent)
    : QObject(parent),
      showInformation([](const QString& title, const QString& text, const QString& detail) {
          // The detail under the text, not behind a "Show Details..." button: OK stays alone.
          QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok);
          box.setInformativeText(detail);
          box.exec();
      }),
      endProgram([](int exitCode) { QCoreApplication::exit(exitCode); }) {}

ProgramStart::~ProgramStart() {
    delete mainWindow_;
    delete portWindow_;
}

void ProgramStart::begin() {
    for (const QString& choice : portChoices()) qInfo().noquote() << choice;
    portWindow_ = new FormSelectPortTOVRAN;
    namePortWindow(*portWindow_);
    connect(portWindow_, &FormSelectPortTOVRAN::portChosen, this, &ProgramStart::openPanel);
    connect(portWindow_, &FormSelectPortTOVRAN::closedWithoutChoice, this,
            [this] { endProgram(0); });
    portWindow_->show();
}

void ProgramStart::openPanel(int portNumber) {
    portWindow_->deleteLater();
    mainWindow_ = new FormControlTOVRAN;
    if (!mainWindow_->Form_Load(portNumber)) {
        const QString why = mainWindow_->conversation()->openFailure();
        delete mainWindow_;
        qWarning().noquote() << "Port indisponible !" << why;
        showInformation(QStringLiteral("Info..."), QStringLiteral("Port indisponible !"), why);
        endProgram(kPortUnavailable);
        return;
    }
    connect(mainWindow_, &FormControlTOVRAN::unloaded, this, [this] { endProgram(0); });
    // What the panel says about the hookup goes to the error output too, for a bug report.
    connect(mainWindow_->conversation(), &RadioConversation::hookupNote, this,
            [](const QString& note) {
                if (!note.isEmpty())
                    qWarning().noquote() << note;
            });
    emit panelOpened(mainWindow_);
    mainWindow_->show();
}
