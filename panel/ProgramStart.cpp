#include "ProgramStart.h"

#include "FormControlTOVRAN.h"
#include "FormSelectPortTOVRAN.h"
#include "SerialComm.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace {
constexpr int kPortUnavailable = 1;
}

ProgramStart::ProgramStart(QObject* parent)
    : QObject(parent),
      showInformation([](const QString& title, const QString& text) {
          QMessageBox::information(nullptr, title, text);
      }),
      endProgram([](int exitCode) { QCoreApplication::exit(exitCode); }) {}

ProgramStart::~ProgramStart() {
    delete mainWindow_;
    delete portWindow_;
}

void ProgramStart::begin() {
    portWindow_ = new FormSelectPortTOVRAN;
    connect(portWindow_, &FormSelectPortTOVRAN::portChosen, this, &ProgramStart::openPanel);
    connect(portWindow_, &FormSelectPortTOVRAN::closedWithoutChoice, this,
            [this] { endProgram(0); });
    portWindow_->show();
}

void ProgramStart::openPanel() {
    portWindow_->deleteLater();
    mainWindow_ = new FormControlTOVRAN;
    if (!mainWindow_->Form_Load()) {
        delete mainWindow_;
        showInformation(QStringLiteral("Info..."), QStringLiteral("Port indisponible !"));
        endProgram(kPortUnavailable);
        return;
    }
    connect(mainWindow_, &FormControlTOVRAN::unloaded, this, [this] { endProgram(0); });
    emit panelOpened(mainWindow_);
    mainWindow_->show();
}
