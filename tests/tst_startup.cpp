// Starting the program as an operator does: the port window, the panel's first words to the
// radio, a port that cannot be opened and why, a lone USB adapter found without configuration,
// the panel at its initial look, and closing it.

#include "DisplayLabel.h"
#include "Hookup.h"
#include "MemoryGrid.h"
#include "ProgramStart.h"
#include "ProgramWide.h"
#include "RadioConversation.h"
#include "SerialDevice.h"
#include "VirtualRadio.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

class StartupTest : public QObject {
    Q_OBJECT

    std::unique_ptr<VirtualRadio> radio_;
    std::unique_ptr<ProgramStart> program_;
    QStringList messages_;
    QList<int> exits_;

    void startProgram() {
        program_ = std::make_unique<ProgramStart>();
        program_->showInformation = [this](const QString& title, const QString& text,
                                           const QString& detail) {
            messages_ << title + '|' + text + '|' + detail;
        };
        program_->endProgram = [this](int code) { exits_ << code; };
        program_->begin();
        QVERIFY(QTest::qWaitForWindowExposed(program_->portWindow()));
    }

private slots:
    void init() {
        program_.reset();
        radio_ = std::make_unique<VirtualRadio>();
        QVERIFY(radio_->open());
        qputenv("TOVRAN_COM1", radio_->devicePath().toLocal8Bit());
        qputenv("TOVRAN_COM2", "/nonexistent/ttyS1");
        messages_.clear();
        exits_.clear();
        startProgram();
    }

    void lifetime_data() {
        QTest::addColumn<QString>("options");  // clicked in turn
        QTest::addColumn<QString>("leave");    // Enter, OK or the close box
        QTest::addColumn<bool>("transmitting");
        QTest::addColumn<int>("port");
        QTest::addColumn<QList<int>>("exits");  // 1 for any failure, told to the operator
        QTest::newRow("Enter opens COM1, closed in receive")
            << QString() << QString("Enter") << false << 1 << QList<int>{0};
        QTest::newRow("the last option decides, closed transmitting")
            << QString("211") << QString("OK") << true << 1 << QList<int>{0};
        QTest::newRow("COM2 absent")
            << QString("2") << QString("OK") << false << 2 << QList<int>{1};
        QTest::newRow("close box") << QString() << QString("close") << false << 1 << QList<int>{0};
    }

    // Only an opened port hears from the panel, "AI0;" and "ID;" first. Closed, the panel
    // puts a transmitting radio back to receive and says nothing more.
    void lifetime() {
        QFETCH(bool, transmitting);
        radio_->transceiver().setTransmitting(transmitting);
        FormSelectPortTOVRAN* w = program_->portWindow();
        QFETCH(QString, options);
        int chosen = w->PortNumber;  // what the window hands the panel, or holds when closed
        connect(w, &FormSelectPortTOVRAN::portChosen, this, [&](int port) { chosen = port; });
        for (QChar option : options)
            QTest::mouseClick(option == u'1' ? w->OptionCom1 : w->OptionCom2, Qt::LeftButton);
        QFETCH(QString, leave);
        const QString why = "Com 2 : /nonexistent/ttyS1 n'existe pas.";
        if (options == "2")  // on standard error too
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Port indisponible ! " + why));
        if (leave == "Enter")
            QTest::keyClick(w, Qt::Key_Return);
        else if (leave == "OK")
            QTest::mouseClick(w->CommandOK, Qt::LeftButton);
        else
            w->close();
        QTEST(chosen, "port");
        FormControlTOVRAN* panel = program_->mainWindow();
        QCOMPARE(panel != nullptr, options != "2" && leave != "close");
        if (panel)
            QVERIFY(QTest::qWaitFor([&] { return radio_->receivedBytes().size() >= 7; }, 10000));
        else
            QTest::qWait(200);  // no port opened: nothing is sent, now or later
        QCOMPARE(radio_->receivedBytes().left(7), panel ? "AI0;ID;" : "");
        if (panel) {
            const QString shown = transmitting ? "TX" : "RX";
            QVERIFY(QTest::qWaitFor([&] { return panel->LabelRxTx->text() == shown; }, 10000));
            radio_->clearLog();
            panel->close();
            QVERIFY(!panel->conversation()->line().isOpen());
            QTest::qWait(1500);  // longer than a reply time-out: the closed panel stays silent
            QList<QByteArray> commands = radio_->receivedCommands();
            if (commands.value(0) == "IF;")
                commands.removeFirst();  // the request on its way when the window closed
            QCOMPARE(commands, transmitting ? QList<QByteArray>{"RX;"} : QList<QByteArray>());
        }
        QList<int> exits;
        for (int code : exits_) exits << (code != 0);
        QTEST(exits, "exits");
        QCOMPARE(messages_.size(), exits.count(1));
        QVERIFY(messages_.isEmpty() ||
                messages_[0].startsWith("Info...|Port indisponible !|" + why));
    }

    // What the panel says about the hookup: on a line under the status line, whose caption and
    // tool tip stay as they are, and on the error output; never in a box.
    void hookupNote() {
        radio_->setHookup(VirtualRadio::Hookup::NoInterface);
        const QString note = Hookup::advice(Hookup::Trouble::NoAnswer);
        QTest::ignoreMessage(QtWarningMsg, qPrintable(note));
        QTest::keyClick(program_->portWindow(), Qt::Key_Return);
        FormControlTOVRAN* p = program_->mainWindow();
        const int height = p->height();
        QVERIFY(QTest::qWaitFor([&] { return p->LabelBranchement->isVisible(); }, 15000));
        QCOMPARE(p->StatusBarTovran->text() + '|' + p->StatusBarTovran->toolTip() + '|' +
                     p->LabelBranchement->text(),
                 " -> Non connecté.| TYPE DE POSTE CONNECTE |" + note);
        QVERIFY(p->height() > height);
        QVERIFY(messages_.isEmpty());
    }

    // A new station: one USB adapter, nothing configured, Enter in the port window.
    void loneAdapterIsComOne() {
        QTemporaryDir dev;
        const QString adapter =
            dev.filePath("serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
        QVERIFY(QDir(dev.path()).mkpath("serial/by-id") && radio_->linkAs(adapter));
        using Kind = SerialCandidate::Kind;
        numberPortsFrom({{"/dev/ttyS0", {}, Kind::NoUart},
                         {radio_->devicePath(), adapter, Kind::UsbAdapter},
                         {"/dev/ttyS1", {}, Kind::NoUart}});
        qunsetenv("TOVRAN_COM1");
        qunsetenv("TOVRAN_COM2");
        program_.reset();
        QTest::ignoreMessage(QtInfoMsg, qPrintable("Com 1: " + adapter));
        QTest::ignoreMessage(QtInfoMsg, "Com 2: aucun port série");
        startProgram();
        // Under the caption, which device each choice opens.
        QCOMPARE(program_->portWindow()->OptionCom1->toolTip(),
                 " PORT DE COMMUNCATION SERIE 1 \nCom 1: " + adapter);
        QCOMPARE(program_->portWindow()->OptionCom2->toolTip(),
                 " PORT DE COMMUNICATION SERIE 2 \nCom 2: aucun port série");
        QTest::keyClick(program_->portWindow(), Qt::Key_Return);
        QVERIFY(QTest::qWaitFor(
            [&] {
                return program_->mainWindow() && program_->mainWindow()->StatusBarTovran->text() ==
                                                     " -> Kenwood TS-440 sur Com  1";
            },
            10000));
        QVERIFY(messages_.isEmpty());
    }

    // A radio that never answers leaves the panel as it starts: every button and the box
    // disabled, the captions, tool tips and colours of its first look, bold in frames only.
    void panelStartsAtItsInitialLook() {
        radio_->setPoweredOn(false);
        QTest::keyClick(program_->portWindow(), Qt::Key_Return);
        FormControlTOVRAN* p = program_->mainWindow();
        QTest::qWait(200);
        QStringList expected =
            QString(
                " -> Non connecté.| TYPE DE POSTE CONNECTE ;* *| ETAT SCAN ;* *| VFO/MEM COURANT ;"
                "* * *| FREQUENCE COURANTE ;* *| ETAT TRANSMISSION ;* *| MODE COURANT ;"
                "| SAISIE D'UNE VALEUR ;| FREQUENCES MEMORISEES ;| DESCENTE (-) ;| MONTEE (+) ;"
                "A/B| SELECTION DU VFO ;STD| PAS ;TX| COMMUTATION RX/TX ;SCAN| SCANNING ;"
                "MEM| MODIFICATION DES MEMOIRES ;M.IN| MEMORISATION DE LA FREQUENCE COURANTE ;"
                "EFF| EFFACEMENT MEMOIRE ! ;LSB| MODE ;USB| MODE ;CW| MODE ;AM| MODE ;FM| MODE ;"
                "FSK| MODE ; AFFICHAGE |; FREQUENCE |; VCO |; FONCTIONS |; MEMOIRE |; MODES |;"
                " MEMOIRES |; TOVRAN 1.00 Beta|;N°|;FREQUENCE|;MODE|")
                .split(u';');
        QStringList found = {p->windowTitle() + '|'};
        for (int column = 0; column < 3; ++column)  // the table's header
            found << p->GridMemoire->horizontalHeaderItem(column)->text() + '|';
        for (QWidget* control : p->findChildren<QWidget*>()) {
            const bool frame = qobject_cast<QGroupBox*>(control) != nullptr;
            if (control->toolTip().isEmpty() && !frame)
                continue;
            found << control->property(frame ? "title" : "text").toString() + '|' +
                         control->toolTip();
            QCOMPARE(QFontInfo(control->font()).bold(), frame);
            const bool input = qobject_cast<QPushButton*>(control) || control == p->TextFreq;
            QVERIFY2(control->isEnabled() != input, qPrintable(found.last()));
        }
        found.sort();
        expected.sort();
        QCOMPARE(found, expected);
        for (DisplayLabel* label : {p->LabelEtatScan, p->LabelVFO, p->LabelRxTx, p->LabelMode})
            QCOMPARE(label->textColour(), QColor(0, 255, 0));
        QCOMPARE(p->LabelFreq->textColour(), QColor(192, 255, 255));
        QCOMPARE(p->TextFreq->palette().color(QPalette::Text), QColor(192, 255, 255));
        QCOMPARE(p->TextFreq->palette().color(QPalette::Base), QColor(Qt::black));

        // The table's columns leave its grey empty area in sight at the right.
        QVERIFY(p->GridMemoire->horizontalHeader()->length() < p->GridMemoire->viewport()->width());
    }
};

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
