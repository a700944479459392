// The operator's controls driven as an operator drives them, against the virtual transceiver:
// clicks, keys typed to whatever has the focus, double clicks on the memory table. Every case
// checks the exact commands the radio received and what the panel shows. One panel serves the
// cases in turn (its memory read-out takes seconds); each case starts from the radio put back
// on VFO A, receiving, with the step "STD", and uses memory channels of its own.

#include "DisplayLabel.h"
#include "FormControlTOVRAN.h"
#include "MemoryGrid.h"
#include "PanelHarness.h"
#include "ProgramWide.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTest>

#include <memory>

using Model = VirtualRadio::Model;
using Tuning = Transceiver::Tuning;
using Vfo = Transceiver::Vfo;
using Source = Transceiver::Source;
using Commands = QList<QByteArray>;

namespace {
enum ModeDigit { LSB = 1, USB, CW, FM, AM, FSK };
constexpr int kChannelWithoutMode = 40;
const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);
}  // namespace

class OperatorControlsTest : public QObject {
    Q_OBJECT

private slots:
    void init();

    void stepCycleSendsNothing();
    void steps_data();
    void steps();
    void plusAndMinusStepAndMoveTheFocus();
    void vfoButtonSwitchesAndReturnsFromMemory();
    void modeButtons();
    void transmitAndScanFollowTheirCaptions();
    void storeInTwoPressesIntoAChannelChosenInTheTable();
    void vfoButtonCancelsAPendingStore();
    void storeWithoutANamedChannelOrAFrequencyStoresNothing();
    void eraseEmptiesTheChannelShownOnly();
    void typingGroupsTheDigitsAndEnterSends_data();
    void typingGroupsTheDigitsAndEnterSends();
    void enterBounds_data();
    void enterBounds();
    void keysOtherThanDigitsAreSwallowedAndLeavingDiscards();
    void enterInMemoryModeStoresIntoTheChannelShown();
    void recall_data();
    void recall();
    void recallBySpaceOrEnterOnTheTable();
    void allDigitsOfAVhfFrequency();

private:
    // A panel polling a radio of that model, the log emptied.
    bool start(Model model);
    Transceiver& radio() { return harness_->radio.transceiver(); }
    // Two more reports: what was sent before has arrived and the captions follow the radio
    // (some controls are enabled only by the second report of a new state).
    bool settle() { return harness_->waitForReports(3); }
    Commands sent();
    void click(QPushButton* button);
    void type(char character);
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = {});
    void typeText(const QByteArray& text);
    void clickChannel(int channel, bool twice = false);
    void doubleClickChannel(int channel) { clickChannel(channel, true); }
    QStringList row(int channel) const;
    void enterMemoryChannel(int channel);

    std::unique_ptr<PanelHarness> harness_;
    FormControlTOVRAN* panel_ = nullptr;
};

bool OperatorControlsTest::start(Model model) {
    harness_ = std::make_unique<PanelHarness>(model);
    radio().setMemory(kChannelWithoutMode, {7'000'000, 0});
    if (!harness_->start())
        return false;
    panel_ = harness_->panel();
    panel_->activateWindow();
    if (!QTest::qWaitForWindowActive(panel_) || !harness_->waitForPolling())
        return false;
    harness_->clearLog();
    return true;
}

void OperatorControlsTest::init() {
    QLocale::setDefault(kEnglish);
    if (!harness_)
        QVERIFY(start(Model::TS440));
    if (StorePending)
        click(panel_->CommandVFOAouB);  // the operator's way to abandon a store
    radio().setTransmitting(false);
    radio().setScanning(false);
    radio().setVfo(Vfo::A, {14'195'000, USB});
    radio().setVfo(Vfo::B, {7'050'000, LSB});
    radio().setChannel(0);
    radio().setSource(Source::VfoA);
    QVERIFY(settle());
    panel_->CommandUp->setFocus();  // and whatever the box held is gone
    for (int i = 0; i < 5 && panel_->CommandProgressionPas->text() != "STD"; ++i)
        click(panel_->CommandProgressionPas);
    harness_->clearLog();
}

// Each decoded report asks for the next; the request made after the second one left the
// panel after anything the operator's actions wrote, so those have all arrived.
Commands OperatorControlsTest::sent() {
    if (!harness_->waitForReports(2))
        return {"(the radio stopped answering)"};
    const Commands commands = harness_->operatorCommands();
    harness_->clearLog();
    return commands;
}

void OperatorControlsTest::click(QPushButton* button) {
    QVERIFY2(button->isEnabled(), qPrintable(button->text()));
    QTest::mouseClick(button, Qt::LeftButton);
}

// Keys go where the operator's keys go: to the control that has the focus.
void OperatorControlsTest::type(char character) {
    QVERIFY(QApplication::focusWidget() != nullptr);
    QTest::keyClick(QApplication::focusWidget(), character);
}

void OperatorControlsTest::press(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QVERIFY(QApplication::focusWidget() != nullptr);
    QTest::keyClick(QApplication::focusWidget(), key, modifiers);
}

void OperatorControlsTest::typeText(const QByteArray& text) {
    for (char character : text) type(character);
}

void OperatorControlsTest::clickChannel(int channel, bool twice) {
    MemoryGrid* grid = panel_->GridMemoire;
    const QModelIndex cell = grid->model()->index(channel, 1);
    grid->scrollTo(cell);
    const QPoint at = grid->visualRect(cell).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
    if (!twice)
        return;
    // After the first click's press and release, the second press is seen as a double click.
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, at);
}

QStringList OperatorControlsTest::row(int channel) const {
    return {panel_->GridMemoire->textMatrix(channel + 1, 1),
            panel_->GridMemoire->textMatrix(channel + 1, 2)};
}

// MEM, then the channel picked in the table, as an operator gets there.
void OperatorControlsTest::enterMemoryChannel(int channel) {
    click(panel_->CommandMemVfo);
    QVERIFY(settle());
    doubleClickChannel(channel);
    QCOMPARE(sent(),
             Commands({"FN2;", "MC0" + QByteArray::number(channel).rightJustified(2, '0') + ';'}));
    QVERIFY(settle());
    QCOMPARE(panel_->LabelVFO->text(), QString("M.%1").arg(channel, 2, 10, QChar(u'0')));
}

void OperatorControlsTest::stepCycleSendsNothing() {
    QStringList captions;
    for (int i = 0; i < 5; ++i) {
        click(panel_->CommandProgressionPas);
        captions << panel_->CommandProgressionPas->text();
    }
    QCOMPARE(captions, QStringList({"1 Khz", "5 Khz", "10 Khz", "1 Mhz", "STD"}));
    QCOMPARE(sent(), Commands());
}

void OperatorControlsTest::steps_data() {
    QTest::addColumn<qint64>("hz");  // on the VFO in use; 0 shows "* * *"
    QTest::addColumn<bool>("vfoB");
    QTest::addColumn<int>("stepClicks");
    QTest::addColumn<QString>("display");    // a caption put on LabelFreq before Up and Down
    QTest::addColumn<Commands>("expected");  // Up then Down, from the same display

    QTest::newRow("5 Khz on A") << 14'200'000LL << false << 2 << QString()
                                << Commands{"FA00014205000;", "FA00014195000;"};
    QTest::newRow("1 Mhz on B") << 7'050'000LL << true << 4 << QString()
                                << Commands{"FB00008050000;", "FB00006050000;"};
    QTest::newRow("10 Khz on A") << 3'500'000LL << false << 3 << QString()
                                 << Commands{"FA00003510000;", "FA00003490000;"};
    QTest::newRow("past 30 MHz") << 29'500'000LL << false << 4 << QString()
                                 << Commands{"FA00030500000;", "FA00028500000;"};
    QTest::newRow("STD reads nothing") << 0LL << false << 0 << QString() << Commands{"UP;", "DN;"};
    QTest::newRow("not below zero")
        << 500'000LL << false << 4 << QString() << Commands{"FA00001500000;"};
    QTest::newRow("no frequency shown") << 0LL << false << 1 << QString() << Commands();
    QTest::newRow("memory read-out shown")
        << 14'200'000LL << false << 1 << QString("LECT. MEM.") << Commands();
}

void OperatorControlsTest::steps() {
    QFETCH(qint64, hz);
    QFETCH(bool, vfoB);
    radio().setVfo(vfoB ? Vfo::B : Vfo::A, {hz, USB});
    radio().setSource(vfoB ? Source::VfoB : Source::VfoA);
    QVERIFY(settle());
    QFETCH(int, stepClicks);
    for (int i = 0; i < stepClicks; ++i) click(panel_->CommandProgressionPas);
    QFETCH(QString, display);
    if (!display.isEmpty())
        panel_->LabelFreq->setCaption(display);
    click(panel_->CommandUp);
    click(panel_->CommandDown);
    QTEST(sent(), "expected");
}

void OperatorControlsTest::plusAndMinusStepAndMoveTheFocus() {
    click(panel_->CommandUSB);  // leaves the focus on Up
    QCOMPARE(QApplication::focusWidget(), panel_->CommandUp);
    type('+');
    type('-');
    QCOMPARE(QApplication::focusWidget(), panel_->CommandDown);
    type('-');
    type('+');
    QCOMPARE(QApplication::focusWidget(), panel_->CommandUp);
    type('x');
    QCOMPARE(sent(), Commands({"MD2;", "UP;", "DN;", "DN;", "UP;"}));

    // From the VFO and step buttons the keys tune instead of switching or choosing.
    panel_->CommandVFOAouB->setFocus(Qt::TabFocusReason);
    type('-');
    QCOMPARE(QApplication::focusWidget(), panel_->CommandDown);
    panel_->CommandProgressionPas->setFocus(Qt::TabFocusReason);
    type('+');
    QCOMPARE(QApplication::focusWidget(), panel_->CommandUp);
    QCOMPARE(panel_->CommandProgressionPas->text(), QString("STD"));
    QCOMPARE(sent(), Commands({"DN;", "UP;"}));
}

void OperatorControlsTest::vfoButtonSwitchesAndReturnsFromMemory() {
    QCOMPARE(panel_->LabelVFO->text(), QString("VFO A"));
    click(panel_->CommandVFOAouB);
    click(panel_->CommandVFOAouB);  // the display has not followed yet: the same again
    QCOMPARE(sent(), Commands({"FN1;", "FN1;"}));
    QVERIFY(settle());
    QCOMPARE(panel_->LabelVFO->text(), QString("VFO B"));

    click(panel_->CommandMemVfo);
    QCOMPARE(sent(), Commands({"FN2;"}));
    QVERIFY(settle());
    QCOMPARE(panel_->LabelVFO->text(), QString("M.00"));
    QVERIFY(!panel_->CommandMemVfo->isEnabled());
    click(panel_->CommandVFOAouB);
    QCOMPARE(sent(), Commands({"FN1;"}));  // back to B, the VFO last reported
    QVERIFY(settle());
    QCOMPARE(panel_->LabelVFO->text(), QString("VFO B"));
}

void OperatorControlsTest::modeButtons() {
    const QList<QPushButton*> buttons = {panel_->CommandLSB, panel_->CommandUSB,
                                         panel_->CommandCW,  panel_->CommandFM,
                                         panel_->CommandAM,  panel_->CommandFSK};
    Commands expected;
    for (QPushButton* button : buttons) {
        panel_->CommandVFOAouB->setFocus(Qt::TabFocusReason);
        click(button);
        QCOMPARE(panel_->LabelMode->text(), button->text());
        QCOMPARE(QApplication::focusWidget(), panel_->CommandUp);
        expected << "MD" + QByteArray::number(expected.size() + 1) + ';';
    }
    click(panel_->CommandFSK);  // the mode already shown is sent again
    expected << "MD6;";
    QCOMPARE(sent(), expected);
}

void OperatorControlsTest::transmitAndScanFollowTheirCaptions() {
    click(panel_->CommandRxTx);
    QCOMPARE(sent(), Commands({"TX;"}));
    QVERIFY(settle());
    QCOMPARE(panel_->CommandRxTx->text(), QString("RX"));
    click(panel_->CommandRxTx);
    QCOMPARE(sent(), Commands({"RX;"}));
    QVERIFY(settle());

    click(panel_->CommandScan);
    click(panel_->CommandScan);  // the caption changes only with the report
    QCOMPARE(sent(), Commands({"SC1;", "SC1;"}));
    QVERIFY(settle());
    QCOMPARE(panel_->CommandScan->text(), QString("STD"));
    click(panel_->CommandScan);
    QCOMPARE(sent(), Commands({"SC0;"}));
    QVERIFY(settle());
    QCOMPARE(panel_->LabelEtatScan->text(), QString("STD"));
}

// The first press keeps 07,123,000 on display while the radio goes to memory; the channel is
// picked in the table, the mode changed in between, and the second press stores them.
void OperatorControlsTest::storeInTwoPressesIntoAChannelChosenInTheTable() {
    radio().setVfo(Vfo::A, {7'123'000, LSB});
    QVERIFY(settle());
    click(panel_->CommandMemIn);
    QVERIFY(StorePending);
    QCOMPARE(QApplication::focusWidget(), panel_->CommandUp);
    QVERIFY(!panel_->CommandRxTx->isEnabled() && !panel_->CommandScan->isEnabled());
    QVERIFY(settle());
    QCOMPARE(panel_->LabelVFO->text(), QString("M.00"));
    QCOMPARE(panel_->LabelFreq->text(), QString("07,123,000"));

    doubleClickChannel(30);
    QVERIFY(settle());
    QCOMPARE(panel_->LabelVFO->text(), QString("M.30"));
    click(panel_->CommandCW);
    click(panel_->CommandMemIn);
    QVERIFY(!StorePending);
    QCOMPARE(row(30), QStringList({"07,123,000", "CW"}));
    QCOMPARE(sent(), Commands({"FN2;", "MC030;", "MD3;", "MW003000007123000300000;"}));
    QCOMPARE(radio().memory(30), Tuning({7'123'000, CW}));
}

void OperatorControlsTest::vfoButtonCancelsAPendingStore() {
    click(panel_->CommandMemIn);
    QVERIFY(settle());
    doubleClickChannel(31);
    QVERIFY(settle());
    click(panel_->CommandVFOAouB);
    QVERIFY(!StorePending);
    QVERIFY(settle());
    QCOMPARE(panel_->LabelVFO->text(), QString("VFO A"));
    click(panel_->CommandMemIn);  // starts a new store instead of ending the old one
    QCOMPARE(sent(), Commands({"FN2;", "MC031;", "FN0;", "FN2;"}));
    QCOMPARE(row(31), QStringList({"", ""}));
}

void OperatorControlsTest::storeWithoutANamedChannelOrAFrequencyStoresNothing() {
    radio().setVfo(Vfo::A, {0, USB});
    QVERIFY(settle());
    QCOMPARE(panel_->LabelFreq->text(), QString("* * *"));
    click(panel_->CommandMemIn);
    QVERIFY(settle());
    QCOMPARE(panel_->LabelVFO->text(), QString("M.00"));
    click(panel_->CommandMemIn);  // "* * *" is no frequency
    QVERIFY(!StorePending);
    QCOMPARE(sent(), Commands({"FN2;"}));

    radio().setVfo(Vfo::A, {14'000'000, USB});
    click(panel_->CommandVFOAouB);
    QVERIFY(settle());
    click(panel_->CommandMemIn);
    click(panel_->CommandMemIn);  // still "VFO A": no channel named yet
    QVERIFY(!StorePending);
    QCOMPARE(sent(), Commands({"FN0;", "FN2;"}));
    QCOMPARE(row(0), QStringList({"14,195,000", "USB"}));
    QCOMPARE(radio().memory(0), Tuning({14'195'000, USB}));
}

void OperatorControlsTest::eraseEmptiesTheChannelShownOnly() {
    enterMemoryChannel(5);
    click(panel_->CommandEffaceMem);
    QCOMPARE(row(5), QStringList({"", ""}));
    QCOMPARE(QApplication::focusWidget(), panel_->CommandUp);
    QCOMPARE(sent(), Commands({"MW000500000000000000000;"}));
    QVERIFY(radio().memory(5).isEmpty());

    doubleClickChannel(4);
    QVERIFY(settle());
    QVERIFY(panel_->CommandEffaceMem->isEnabled());
    panel_->LabelVFO->setCaption("* *");  // the placeholder names no channel
    click(panel_->CommandEffaceMem);
    QCOMPARE(sent(), Commands({"MC004;"}));
    QCOMPARE(row(4), QStringList({"10,116,000", "CW"}));
}

void OperatorControlsTest::typingGroupsTheDigitsAndEnterSends_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addRow("comma") << QLocale(QLocale::English, QLocale::UnitedStates);
    QTest::addRow("full stop") << QLocale(QLocale::German, QLocale::Germany);
}

void OperatorControlsTest::typingGroupsTheDigitsAndEnterSends() {
    QFETCH(QLocale, locale);
    QLocale::setDefault(locale);
    QVERIFY(settle());
    QTest::mouseClick(panel_->TextFreq, Qt::LeftButton);
    const QStringList shown = {"1",       "14",        "142",        "1,420",     "14,200",
                               "142,000", "1,420,000", "14,200,000", "14,200,000"};
    for (int i = 0; i < shown.size(); ++i) {
        type("142000005"[i]);
        QCOMPARE(panel_->TextFreq->text(),
                 QString(shown[i]).replace(u',', locale.groupSeparator()));
    }
    press(Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), panel_->CommandUp);
    QCOMPARE(panel_->TextFreq->text(), QString());

    // A digit typed in the middle regroups, with the caret at the end; Backspace takes the
    // last digit.
    QTest::mouseClick(panel_->TextFreq, Qt::LeftButton);
    typeText("3500000");
    press(Qt::Key_Home);
    type('2');
    press(Qt::Key_Backspace);
    QCOMPARE(panel_->TextFreq->text(), QString("2,350,000").replace(u',', locale.groupSeparator()));
    QCOMPARE(panel_->TextFreq->cursorPosition(), panel_->TextFreq->text().size());
    press(Qt::Key_Enter);
    QCOMPARE(sent(), Commands({"FA00014200000;", "FA00002350000;"}));
}

void OperatorControlsTest::enterBounds_data() {
    QTest::addColumn<QByteArray>("digits");
    QTest::addColumn<bool>("vfoB");
    QTest::addColumn<QString>("vfoCaption");  // put on LabelVFO before Enter, when given
    QTest::addColumn<Commands>("expected");

    QTest::newRow("lower bound") << QByteArray("30000") << false << QString()
                                 << Commands{"FA00000030000;"};
    QTest::newRow("upper bound") << QByteArray("30000000") << false << QString()
                                 << Commands{"FA00030000000;"};
    QTest::newRow("VFO B") << QByteArray("3500000") << true << QString()
                           << Commands{"FB00003500000;"};
    QTest::newRow("below") << QByteArray("29999") << false << QString() << Commands();
    QTest::newRow("above") << QByteArray("30000001") << true << QString() << Commands();
    QTest::newRow("empty") << QByteArray() << false << QString() << Commands();
    QTest::newRow("no VFO or channel shown")
        << QByteArray("7050000") << false << QString("* *") << Commands();
}

// An Enter that does nothing is swallowed and leaves the entry and the focus for a correction.
void OperatorControlsTest::enterBounds() {
    QFETCH(bool, vfoB);
    radio().setSource(vfoB ? Source::VfoB : Source::VfoA);
    QVERIFY(settle());
    QTest::mouseClick(panel_->TextFreq, Qt::LeftButton);
    QFETCH(QByteArray, digits);
    typeText(digits);
    const QString typed = panel_->TextFreq->text();
    QFETCH(QString, vfoCaption);
    if (!vfoCaption.isEmpty())
        panel_->LabelVFO->setCaption(vfoCaption);
    press(Qt::Key_Return);
    QFETCH(Commands, expected);
    const bool acted = !expected.isEmpty();
    QCOMPARE(QApplication::focusWidget(),
             acted ? static_cast<QWidget*>(panel_->CommandUp) : panel_->TextFreq);
    QCOMPARE(panel_->TextFreq->text(), acted ? QString() : typed);
    QCOMPARE(sent(), expected);
}

void OperatorControlsTest::keysOtherThanDigitsAreSwallowedAndLeavingDiscards() {
    QTest::mouseClick(panel_->TextFreq, Qt::LeftButton);
    typeText("07+- a,");
    press(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(panel_->TextFreq->text(), QString("7"));

    // Pasting through the box's menu: a number is regrouped, anything else left as it is
    // and never sent.
    press(Qt::Key_Backspace);
    QApplication::clipboard()->setText("12a4");
    panel_->TextFreq->paste();
    QCOMPARE(panel_->TextFreq->text(), QString("12a4"));
    press(Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), panel_->TextFreq);
    press(Qt::Key_Backspace);
    press(Qt::Key_Backspace);
    // The box's context menu takes the focus for a moment: the typing stays for the paste.
    QFocusEvent toMenu(QEvent::FocusOut, Qt::PopupFocusReason);
    QApplication::sendEvent(panel_->TextFreq, &toMenu);
    QCOMPARE(panel_->TextFreq->text(), QString("12"));
    QApplication::clipboard()->setText("345678");
    panel_->TextFreq->paste();
    QCOMPARE(panel_->TextFreq->text(), QString("12,345,678"));
    press(Qt::Key_Tab);
    QVERIFY(QApplication::focusWidget() != panel_->TextFreq);
    QCOMPARE(panel_->TextFreq->text(), QString());
    QCOMPARE(sent(), Commands());
}

void OperatorControlsTest::enterInMemoryModeStoresIntoTheChannelShown() {
    enterMemoryChannel(6);
    QTest::mouseClick(panel_->TextFreq, Qt::LeftButton);
    typeText("7050000");
    press(Qt::Key_Return);
    QCOMPARE(row(6), QStringList({"7,050,000", "FM"}));
    QCOMPARE(QApplication::focusWidget(), panel_->CommandUp);
    QCOMPARE(panel_->TextFreq->text(), QString());
    QCOMPARE(sent(), Commands({"MW000600007050000400000;"}));
    QCOMPARE(radio().memory(6), Tuning({7'050'000, FM}));
}

void OperatorControlsTest::recall_data() {
    QTest::addColumn<Source>("source");
    QTest::addColumn<int>("channel");
    QTest::addColumn<Commands>("expected");

    QTest::newRow("FSK row into VFO B") << Source::VfoB << 9 << Commands{"FB00014080000;", "MD6;"};
    QTest::newRow("memory mode") << Source::Memory << 9 << Commands{"MC009;"};
    QTest::newRow("empty row on a VFO") << Source::VfoA << 32 << Commands{"MC032;"};
    QTest::newRow("row without a mode")
        << Source::VfoA << kChannelWithoutMode << Commands{"FA00007000000;"};
}

void OperatorControlsTest::recall() {
    QFETCH(Source, source);
    radio().setSource(source);
    QVERIFY(settle());
    QFETCH(int, channel);
    const QString modeBefore = panel_->LabelMode->text();
    doubleClickChannel(channel);
    QFETCH(Commands, expected);
    const bool withMode = expected.last().startsWith("MD");
    QCOMPARE(panel_->LabelMode->text(), withMode ? row(channel).last() : modeBefore);
    QCOMPARE(QApplication::focusWidget() == panel_->CommandUp, withMode);
    QCOMPARE(sent(), expected);
}

void OperatorControlsTest::recallBySpaceOrEnterOnTheTable() {
    clickChannel(7);
    press(Qt::Key_Space);
    clickChannel(9);
    press(Qt::Key_Return);
    clickChannel(11);
    type('x');
    press(Qt::Key_Space);
    QCOMPARE(sent(), Commands({"FA00007050000;", "MD1;", "FA00014080000;", "MD6;", "MC011;"}));
}

// The display and the table show every digit of 144.3 MHz, and so do the commands.
void OperatorControlsTest::allDigitsOfAVhfFrequency() {
    QVERIFY(start(Model::TS711));
    radio().setVfo(Vfo::A, {144'300'000, USB});
    QVERIFY(settle());
    QCOMPARE(panel_->LabelFreq->text(), QString("144,300,000"));
    click(panel_->CommandProgressionPas);
    click(panel_->CommandUp);
    doubleClickChannel(1);
    QCOMPARE(sent(), Commands({"FA00144301000;", "FA00144300000;", "MD2;"}));
    harness_.reset();  // the next case starts an HF radio again
}

QTEST_MAIN(OperatorControlsTest)
#include "tst_operatorcontrols.moc"
