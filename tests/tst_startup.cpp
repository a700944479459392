// Starting the program as an operator does: the port window, the panel's first words to the
// radio, a port that cannot be opened, the panel at its initial captions, and closing it.

#include "DisplayLabel.h"
#include "MemoryGrid.h"
#include "ProgramStart.h"
#include "ProgramWide.h"
#include "SerialComm.h"
#include "VirtualRadio.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void enterOnThePortWindowOpensCom1();
    void lastChoiceOfPortDecides();
    void unavailablePortIsReportedOnceAndEndsTheProgram();
    void closingThePortWindowEndsWithoutOpeningAPort();
    void panelStartsAtItsInitialCaptions();
    void controlsStartDisabled();
    void memoryTableHasItsHeaderAndRows();
    void closingThePanelWhileTransmittingReturnsTheRadioToReceive();
    void closingThePanelInReceiveSendsNothingMore();

private:
    void choosePort(QRadioButton* option);
    FormControlTOVRAN* openPanel();

    std::unique_ptr<VirtualRadio> radio_;
    std::unique_ptr<ProgramStart> program_;
    QStringList messages_;
    QList<int> exits_;
};

void StartupTest::init() {
    radio_ = std::make_unique<VirtualRadio>();
    QVERIFY(radio_->open());
    qputenv("TOVRAN_COM1", radio_->devicePath().toLocal8Bit());
    qputenv("TOVRAN_COM2", "/nonexistent/ttyS1");
    messages_.clear();
    exits_.clear();
    program_ = std::make_unique<ProgramStart>();
    program_->showInformation = [this](const QString& title, const QString& text) {
        messages_ << title + '|' + text;
    };
    program_->endProgram = [this](int code) { exits_ << code; };
    program_->begin();
    QVERIFY(QTest::qWaitForWindowExposed(program_->portWindow()));
}

void StartupTest::cleanup() {
    program_.reset();
    radio_.reset();
}

void StartupTest::choosePort(QRadioButton* option) {
    QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(8, option->height() / 2));
}

FormControlTOVRAN* StartupTest::openPanel() {
    QTest::keyClick(program_->portWindow(), Qt::Key_Return);
    return program_->mainWindow();
}

void StartupTest::enterOnThePortWindowOpensCom1() {
    QVERIFY(program_->portWindow()->OptionCom1->isChecked());
    FormControlTOVRAN* panel = openPanel();
    QVERIFY(panel != nullptr);
    QCOMPARE(PortNumber, 1);
    QVERIFY(panel->MSComm1->isOpen());
    QVERIFY(QTest::qWaitFor([&] { return radio_->receivedBytes().size() >= 7; }, 3000));
    QVERIFY(radio_->receivedBytes().startsWith("AI0;ID;"));
    QVERIFY(messages_.isEmpty());
}

void StartupTest::lastChoiceOfPortDecides() {
    choosePort(program_->portWindow()->OptionCom2);
    QCOMPARE(PortNumber, 2);
    choosePort(program_->portWindow()->OptionCom1);
    QCOMPARE(PortNumber, 1);
    QTest::mouseClick(program_->portWindow()->CommandOK, Qt::LeftButton);
    QVERIFY(program_->mainWindow() != nullptr);
    QVERIFY(QTest::qWaitFor([&] { return radio_->receivedBytes().startsWith("AI0;ID;"); }, 3000));
}

void StartupTest::unavailablePortIsReportedOnceAndEndsTheProgram() {
    choosePort(program_->portWindow()->OptionCom2);
    QTest::mouseClick(program_->portWindow()->CommandOK, Qt::LeftButton);
    QCOMPARE(messages_, QStringList{"Info...|Port indisponible !"});
    QCOMPARE(exits_.size(), 1);
    QVERIFY(exits_.first() != 0);
    QVERIFY(program_->mainWindow() == nullptr);
    QTest::qWait(100);
    QVERIFY(radio_->receivedBytes().isEmpty());  // nothing went to the other port either
}

void StartupTest::closingThePortWindowEndsWithoutOpeningAPort() {
    program_->portWindow()->close();
    QCOMPARE(exits_, QList<int>{0});
    QVERIFY(program_->mainWindow() == nullptr);
    QTest::qWait(100);
    QVERIFY(radio_->receivedBytes().isEmpty());
}

void StartupTest::panelStartsAtItsInitialCaptions() {
    radio_->setPoweredOn(false);  // a radio that never answers leaves the panel as it starts
    FormControlTOVRAN* panel = openPanel();
    QVERIFY(QTest::qWaitForWindowExposed(panel));
    QTest::qWait(200);

    QCOMPARE(panel->windowTitle(), QStringLiteral(" TOVRAN 1.00 Beta"));
    QCOMPARE(panel->StatusBarTovran->text(), QStringLiteral(" -> Non connecté."));
    QCOMPARE(panel->StatusBarTovran->toolTip(), QStringLiteral(" TYPE DE POSTE CONNECTE "));
    const QList<std::tuple<QLabel*, const char*, const char*>> labels = {
        {panel->LabelEtatScan, "* *", " ETAT SCAN "},
        {panel->LabelVFO, "* *", " VFO/MEM COURANT "},
        {panel->LabelFreq, "* * *", " FREQUENCE COURANTE "},
        {panel->LabelRxTx, "* *", " ETAT TRANSMISSION "},
        {panel->LabelMode, "* *", " MODE COURANT "},
    };
    for (const auto& [label, caption, toolTip] : labels) {
        QCOMPARE(label->text(), QString::fromUtf8(caption));
        QCOMPARE(label->toolTip(), QString::fromUtf8(toolTip));
    }
    QCOMPARE(panel->LabelVFO->textColour(), QColor(0, 255, 0));
    QCOMPARE(panel->LabelFreq->textColour(), QColor(192, 255, 255));

    const QList<std::tuple<QPushButton*, const char*, const char*>> buttons = {
        {panel->CommandUp, "", " MONTEE (+) "},
        {panel->CommandDown, "", " DESCENTE (-) "},
        {panel->CommandVFOAouB, "A/B", " SELECTION DU VFO "},
        {panel->CommandProgressionPas, "STD", " PAS "},
        {panel->CommandRxTx, "TX", " COMMUTATION RX/TX "},
        {panel->CommandScan, "SCAN", " SCANNING "},
        {panel->CommandMemVfo, "MEM", " MODIFICATION DES MEMOIRES "},
        {panel->CommandMemIn, "M.IN", " MEMORISATION DE LA FREQUENCE COURANTE "},
        {panel->CommandEffaceMem, "EFF", " EFFACEMENT MEMOIRE ! "},
        {panel->CommandLSB, "LSB", " MODE "},
        {panel->CommandUSB, "USB", " MODE "},
        {panel->CommandCW, "CW", " MODE "},
        {panel->CommandAM, "AM", " MODE "},
        {panel->CommandFM, "FM", " MODE "},
        {panel->CommandFSK, "FSK", " MODE "},
    };
    for (const auto& [button, caption, toolTip] : buttons) {
        QCOMPARE(button->text(), QString::fromUtf8(caption));
        QCOMPARE(button->toolTip(), QString::fromUtf8(toolTip));
    }
    const QList<std::pair<QGroupBox*, const char*>> frames = {
        {panel->FrameAffichage, " AFFICHAGE "},
        {panel->FrameFrequence, " FREQUENCE "},
        {panel->FrameVCO, " VCO "},
        {panel->FrameFonctions, " FONCTIONS "},
        {panel->FrameMemoire, " MEMOIRE "},
        {panel->FrameMode, " MODES "},
        {panel->FrameGridMemoire, " MEMOIRES "},
    };
    for (const auto& [frame, caption] : frames)
        QCOMPARE(frame->title(), QString::fromUtf8(caption));
    QCOMPARE(panel->TextFreq->text(), QString());
    QCOMPARE(panel->TextFreq->toolTip(), QStringLiteral(" SAISIE D'UNE VALEUR "));
    QCOMPARE(panel->GridMemoire->toolTip(), QStringLiteral(" FREQUENCES MEMORISEES "));
}

void StartupTest::controlsStartDisabled() {
    radio_->setPoweredOn(false);
    FormControlTOVRAN* panel = openPanel();
    QTest::qWait(200);
    const auto buttons = panel->findChildren<QPushButton*>();
    QCOMPARE(buttons.size(), 15);
    for (QPushButton* button : buttons)
        QVERIFY2(!button->isEnabled(), qPrintable(button->text() + button->toolTip()));
    QVERIFY(!panel->TextFreq->isEnabled());
    QVERIFY(panel->GridMemoire->isEnabled());
}

void StartupTest::memoryTableHasItsHeaderAndRows() {
    radio_->setPoweredOn(false);
    const MemoryGrid* grid = openPanel()->GridMemoire;
    QCOMPARE(grid->rowCount() + 1, 101);  // the header row and channels 00 to 99
    QCOMPARE(grid->columnCount(), 3);
    QCOMPARE(grid->horizontalHeaderItem(0)->text(), QStringLiteral("N°"));
    QCOMPARE(grid->horizontalHeaderItem(1)->text(), QStringLiteral("FREQUENCE"));
    QCOMPARE(grid->horizontalHeaderItem(2)->text(), QStringLiteral("MODE"));
    QVERIFY(grid->columnWidth(1) > grid->columnWidth(2));
    QVERIFY(grid->columnWidth(2) > grid->columnWidth(0));
    for (int row = 1; row <= 100; ++row) QVERIFY(grid->textMatrix(row, 1).isEmpty());
}

void StartupTest::closingThePanelWhileTransmittingReturnsTheRadioToReceive() {
    radio_->transceiver().setTransmitting(true);
    FormControlTOVRAN* panel = openPanel();
    QVERIFY(QTest::qWaitFor([&] { return panel->LabelRxTx->text() == "TX"; }, 10000));
    radio_->clearLog();
    panel->close();
    QCOMPARE(exits_, QList<int>{0});
    QVERIFY(QTest::qWaitFor([&] { return !radio_->transceiver().isTransmitting(); }, 3000));
    QTest::qWait(100);
    QVERIFY(radio_->receivedCommands().endsWith(QByteArray("RX;")));
    QVERIFY(!panel->MSComm1->isOpen());
}

void StartupTest::closingThePanelInReceiveSendsNothingMore() {
    FormControlTOVRAN* panel = openPanel();
    QVERIFY(QTest::qWaitFor([&] { return panel->LabelRxTx->text() == "RX"; }, 10000));
    panel->close();
    QVERIFY(!panel->MSComm1->isOpen());
    QTest::qWait(100);  // what was on its way before the close
    radio_->clearLog();
    QTest::qWait(1500);  // longer than a reply time-out: the closed panel stays silent
    QVERIFY2(radio_->receivedBytes().isEmpty(), radio_->receivedBytes().constData());
    QCOMPARE(exits_, QList<int>{0});
}

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
