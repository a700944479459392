// The main window's controls, at the places, sizes and captions the operator knows them by.

#include "DisplayLabel.h"
#include "FormControlTOVRAN.h"
#include "MemoryGrid.h"
#include "ProgramLook.h"
#include "Radios.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

namespace {

const QColor kLcdGreen(0, 255, 0);
const QColor kLightCyan(192, 255, 255);
constexpr qreal kDisplayPoints = 14.25;
constexpr qreal kFrequencyPoints = 27.75;

// The control's palette with a background and a text colour, the same enabled or not.
QPalette colours(const QColor& background, const QColor& text, QPalette::ColorRole backgroundRole,
                 QPalette::ColorRole textRole) {
    QPalette palette;
    palette.setColor(backgroundRole, background);
    palette.setColor(textRole, text);
    return palette;
}

QGroupBox* frame(const QString& caption, const QRect& place, QWidget* parent) {
    auto* box = new QGroupBox(caption, parent);
    box->setGeometry(place);
    box->setFont(captionFont(8.25));
    return box;
}

// Buttons keep the window's font, not their frame's bold caption font; all start disabled.
QPushButton* button(const QString& caption, const QString& toolTip, const QRect& place,
                    QWidget* parent) {
    auto* command = new QPushButton(caption, parent);
    command->setGeometry(place);
    command->setFont(windowFont());
    command->setToolTip(toolTip);
    command->setEnabled(false);
    return command;
}

DisplayLabel* display(const QString& toolTip, const QRect& place, QWidget* parent) {
    auto* label = new DisplayLabel(QStringLiteral("* *"), displayFont(kDisplayPoints), kLcdGreen,
                                   DisplayLabel::Anchor::Left, parent);
    label->setToolTip(toolTip);
    label->place(place);
    return label;
}

}  // namespace

void FormControlTOVRAN::buildDisplayFrame() {
    FrameAffichage = frame(QStringLiteral(" AFFICHAGE "), twips(240, 120, 5775, 1335), this);

    // The black backdrop behind the five display labels, its caption black on black, inside
    // a sunken border that stands out from the frame's grey.
    Label1 = new QLabel(QStringLiteral("Label1"), FrameAffichage);
    Label1->setGeometry(twips(240, 240, 5295, 975));
    Label1->setFont(windowFont());
    Label1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Label1->setAutoFillBackground(true);
    Label1->setPalette(colours(Qt::black, Qt::black, QPalette::Window, QPalette::WindowText));

    LabelEtatScan =
        display(QStringLiteral(" ETAT SCAN "), twips(480, 360, 450, 255), FrameAffichage);
    LabelVFO =
        display(QStringLiteral(" VFO/MEM COURANT "), twips(480, 840, 450, 255), FrameAffichage);
    LabelRxTx =
        display(QStringLiteral(" ETAT TRANSMISSION "), twips(4800, 360, 450, 255), FrameAffichage);
    LabelMode =
        display(QStringLiteral(" MODE COURANT "), twips(4800, 840, 450, 255), FrameAffichage);

    LabelFreq = new DisplayLabel(QStringLiteral("* * *"), displayFont(kFrequencyPoints), kLightCyan,
                                 DisplayLabel::Anchor::Centre, FrameAffichage);
    LabelFreq->setAlignment(Qt::AlignCenter);
    LabelFreq->setToolTip(QStringLiteral(" FREQUENCE COURANTE "));
    LabelFreq->place(twips(2280, 480, 1455, 495));
}

void FormControlTOVRAN::buildFrequencyFrame() {
    FrameFrequence = frame(QStringLiteral(" FREQUENCE "), twips(240, 1680, 2295, 735), this);
    TextFreq = new QLineEdit(FrameFrequence);
    TextFreq->setGeometry(twips(240, 240, 1815, 345));
    TextFreq->setAlignment(Qt::AlignCenter);
    AcceptEntryFor(Radios::unidentified());  // the HF dial until a radio is identified
    TextFreq->setFont(displayFont(kDisplayPoints));
    TextFreq->setPalette(colours(Qt::black, kLightCyan, QPalette::Base, QPalette::Text));
    TextFreq->setToolTip(QStringLiteral(" SAISIE D'UNE VALEUR "));
    TextFreq->setEnabled(false);
}

void FormControlTOVRAN::buildVcoFrame() {
    FrameVCO = frame(QStringLiteral(" VCO "), twips(240, 2640, 2295, 1455), this);
    CommandDown =
        button(QString(), QStringLiteral(" DESCENTE (-) "), twips(360, 240, 495, 495), FrameVCO);
    CommandDown->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    CommandUp =
        button(QString(), QStringLiteral(" MONTEE (+) "), twips(1440, 240, 495, 495), FrameVCO);
    CommandUp->setIcon(style()->standardIcon(QStyle::SP_ArrowUp));
    CommandVFOAouB = button(QStringLiteral("A/B"), QStringLiteral(" SELECTION DU VFO "),
                            twips(240, 960, 735, 375), FrameVCO);
    CommandProgressionPas = button(QStringLiteral("STD"), QStringLiteral(" PAS "),
                                   twips(1320, 960, 735, 375), FrameVCO);
}

void FormControlTOVRAN::buildFunctionsFrame() {
    FrameFonctions = frame(QStringLiteral(" FONCTIONS "), twips(240, 4320, 2295, 735), this);
    CommandRxTx = button(QStringLiteral("TX"), QStringLiteral(" COMMUTATION RX/TX "),
                         twips(240, 240, 735, 375), FrameFonctions);
    CommandScan = button(QStringLiteral("SCAN"), QStringLiteral(" SCANNING "),
                         twips(1320, 240, 735, 375), FrameFonctions);
}

void FormControlTOVRAN::buildMemoryFrame() {
    FrameMemoire = frame(QStringLiteral(" MEMOIRE "), twips(240, 5280, 2295, 735), this);
    CommandMemVfo = button(QStringLiteral("MEM"), QStringLiteral(" MODIFICATION DES MEMOIRES "),
                           twips(120, 240, 615, 375), FrameMemoire);
    CommandMemIn =
        button(QStringLiteral("M.IN"), QStringLiteral(" MEMORISATION DE LA FREQUENCE COURANTE "),
               twips(840, 240, 615, 375), FrameMemoire);
    CommandEffaceMem = button(QStringLiteral("EFF"), QStringLiteral(" EFFACEMENT MEMOIRE ! "),
                              twips(1560, 240, 615, 375), FrameMemoire);
}

void FormControlTOVRAN::buildModeFrame() {
    FrameMode = frame(QStringLiteral(" MODES "), twips(240, 6240, 2295, 1095), this);
    const QString mode = QStringLiteral(" MODE ");
    CommandLSB = button(QStringLiteral("LSB"), mode, twips(240, 240, 615, 375), FrameMode);
    CommandUSB = button(QStringLiteral("USB"), mode, twips(840, 240, 615, 375), FrameMode);
    CommandCW = button(QStringLiteral("CW"), mode, twips(1440, 240, 615, 375), FrameMode);
    CommandAM = button(QStringLiteral("AM"), mode, twips(240, 600, 615, 375), FrameMode);
    CommandFM = button(QStringLiteral("FM"), mode, twips(840, 600, 615, 375), FrameMode);
    CommandFSK = button(QStringLiteral("FSK"), mode, twips(1440, 600, 615, 375), FrameMode);
}

void FormControlTOVRAN::buildMemoryTableFrame() {
    FrameGridMemoire = frame(QStringLiteral(" MEMOIRES "), twips(2760, 1680, 3255, 5655), this);
    GridMemoire = new MemoryGrid(FrameGridMemoire);
    GridMemoire->setGeometry(twips(120, 240, 3015, 5295));
    GridMemoire->setToolTip(QStringLiteral(" FREQUENCES MEMORISEES "));
}

void FormControlTOVRAN::buildStatusLine() {
    StatusBarTovran = new QLabel(QStringLiteral(" -> Non connecté."), this);
    StatusBarTovran->setFont(windowFont());
    StatusBarTovran->setGeometry(twips(0, 7560, 6255, 255));
    StatusBarTovran->setFrameShape(QFrame::Panel);
    StatusBarTovran->setFrameShadow(QFrame::Sunken);
    StatusBarTovran->setToolTip(QStringLiteral(" TYPE DE POSTE CONNECTE "));
    LabelBranchement = new QLabel(this);
    LabelBranchement->setFont(windowFont());
    LabelBranchement->setGeometry(twips(0, kWindowHeight, 6255, kHookupNoteHeight));
    LabelBranchement->setWordWrap(true);
    LabelBranchement->hide();
}

void FormControlTOVRAN::setTabOrder() {
    const QList<QWidget*> order = {CommandUp,    GridMemoire,      TextFreq,
                                   CommandDown,  CommandVFOAouB,   CommandProgressionPas,
                                   CommandRxTx,  CommandScan,      CommandMemVfo,
                                   CommandMemIn, CommandEffaceMem, CommandLSB,
                                   CommandUSB,   CommandCW,        CommandAM,
                                   CommandFM,    CommandFSK};
    for (qsizetype i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}
