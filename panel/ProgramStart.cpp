#include "ProgramStart.h"

#include "FormControlTOVRAN.h"
#include "FormSelectPortTOVRAN.h"
#include "RigctlServer.h"
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

void ProgramStart::shareRadioWith(RigctlServer* server) {
    server_ = server;
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
    if (server_)
        connectServer();
    mainWindow_->show();
}

// The server sees what the panel hears from the radio, and writes as the panel's buttons do.
void ProgramStart::connectServer() {
    SharedRadio& radio = server_->radio();
    radio.setWrite([panel = mainWindow_](const QByteArray& command) {
        if (panel)
            panel->MSComm1->output(command);
    });
    connect(mainWindow_, &FormControlTOVRAN::radioIdentified, &radio, &SharedRadio::identified);
    connect(mainWindow_, &FormControlTOVRAN::memoryReadoutEnded, &radio,
            &SharedRadio::readoutEnded);
    connect(mainWindow_, &FormControlTOVRAN::statusDecoded, &radio, &SharedRadio::statusDecoded);
    connect(mainWindow_->MSComm1, &SerialComm::onComm, &radio, &SharedRadio::heard);
}
