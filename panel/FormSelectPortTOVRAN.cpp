#include "FormSelectPortTOVRAN.h"

#include "ProgramLook.h"
#include "SerialDevice.h"
#include "Version.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>

namespace {

QPixmap banner(QSize size) {
    QPixmap pixmap(size);
    QPainter painter(&pixmap);
    QLinearGradient gradient(0, 0, size.width(), 0);
    gradient.setColorAt(0, QColor(0, 40, 0));
    gradient.setColorAt(1, Qt::black);
    painter.fillRect(pixmap.rect(), gradient);
    painter.setPen(QColor(0, 255, 0));
    painter.setFont(captionFont(8.25));
    painter.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("T.O.V.R.A.N"));
    return pixmap;
}

QFrame* etchedLine(QWidget* parent, int y, const QColor& colour) {
    auto* line = new QFrame(parent);
    line->setGeometry(twips(1200, y, 840, 15));
    line->setFixedHeight(1);
    line->setStyleSheet(QStringLiteral("background: %1;").arg(colour.name()));
    return line;
}

}  // namespace

FormSelectPortTOVRAN::FormSelectPortTOVRAN(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    setWindowTitle(QStringLiteral("TOVRAN - Connexion"));
    setWindowIcon(programIcon());
    setFixedSize(twips(0, 0, 3510, 3510).size());
    buildPortFrame();
    buildAboutFrame();

    connect(OptionCom1, &QRadioButton::clicked, this, &FormSelectPortTOVRAN::OptionCom1_Click);
    connect(OptionCom2, &QRadioButton::clicked, this, &FormSelectPortTOVRAN::OptionCom2_Click);
    connect(CommandOK, &QPushButton::clicked, this, &FormSelectPortTOVRAN::CommandOK_Click);
    connect(this, &QDialog::rejected, this, &FormSelectPortTOVRAN::closedWithoutChoice);

    Form_Load();
    centreOnScreen(this);
}

void FormSelectPortTOVRAN::buildPortFrame() {
    Frame1 = new QGroupBox(QStringLiteral(" PORTS "), this);
    Frame1->setGeometry(twips(120, 120, 2175, 615));
    Frame1->setFont(captionFont(8.25));

    OptionCom1 = new QRadioButton(QStringLiteral("Com 1"), Frame1);
    OptionCom1->setGeometry(twips(240, 240, 855, 255));
    OptionCom1->setFont(windowFont());  // not the frame's bold caption font
    // Which device the choice opens, under the caption: a program started from a Windows menu
    // has no console to say it on.
    OptionCom1->setToolTip(QStringLiteral(" PORT DE COMMUNCATION SERIE 1 \n") + portChoice(1));
    OptionCom1->setChecked(true);

    OptionCom2 = new QRadioButton(QStringLiteral("Com 2"), Frame1);
    OptionCom2->setGeometry(twips(1200, 240, 855, 255));
    OptionCom2->setFont(windowFont());
    OptionCom2->setToolTip(QStringLiteral(" PORT DE COMMUNICATION SERIE 2 \n") + portChoice(2));

    CommandOK = new QPushButton(QStringLiteral("&OK"), this);
    CommandOK->setGeometry(twips(2520, 240, 855, 495));
    CommandOK->setFont(windowFont());
    CommandOK->setToolTip(QStringLiteral(" VALIDER "));
    CommandOK->setDefault(true);
    CommandOK->setAutoDefault(true);

    setTabOrder(OptionCom1, OptionCom2);
    setTabOrder(OptionCom2, CommandOK);
    OptionCom1->setFocus();
}

void FormSelectPortTOVRAN::buildAboutFrame() {
    // Shown but not for input: nothing in it takes the focus or a click.
    Frame2 = new QGroupBox(this);
    Frame2->setGeometry(twips(120, 840, 3255, 2535));
    Frame2->setFont(captionFont(9.75));
    Frame2->setAttribute(Qt::WA_TransparentForMouseEvents);
    Frame2->setFocusPolicy(Qt::NoFocus);

    Picture1 = new QLabel(Frame2);
    Picture1->setGeometry(twips(240, 360, 480, 480));
    Picture1->setPixmap(programIcon().pixmap(Picture1->size()));

    Text1 = new QLabel(QStringLiteral("TOVRAN " TOVRAN_VERSION_TEXT " beta\nKenwood"), Frame2);
    Text1->setGeometry(twips(840, 360, 2175, 735));
    Text1->setAlignment(Qt::AlignCenter);
    Text1->setFont(captionFont(11.25));
    Text1->setAutoFillBackground(true);
    Text1->setStyleSheet(QStringLiteral("background: palette(button); color: black;"));

    etchedLine(Frame2, 1680, QColor(192, 192, 192));
    etchedLine(Frame2, 1695, Qt::white);

    Label1 = new QLabel(QStringLiteral("Liaison série 4800 bauds"), Frame2);
    Label1->setGeometry(twips(240, 1200, 2775, 255));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setFont(captionFont(9.75));

    Picture2 = new QLabel(Frame2);
    Picture2->setGeometry(twips(720, 1920, 1860, 345));
    Picture2->setPixmap(banner(Picture2->size()));
}

void FormSelectPortTOVRAN::Form_Load() {
    PortNumber = 1;
}

void FormSelectPortTOVRAN::OptionCom1_Click() {
    PortNumber = 1;
}

void FormSelectPortTOVRAN::OptionCom2_Click() {
    PortNumber = 2;
}

void FormSelectPortTOVRAN::CommandOK_Click() {
    accept();
    emit portChosen(PortNumber);
}
