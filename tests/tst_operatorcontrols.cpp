// The operator's controls driven as an operator drives them, against the virtual transceiver,
// checking the exact commands the radio received and what the panel shows. One panel serves
// the cases in turn; each starts from the radio back on VFO A at 14,195,000 USB, receiving.

#include "DisplayLabel.h"
#include "FormControlTOVRAN.h"
#include "FrequencyText.h"
#include "MemoryGrid.h"
#include "Modes.h"
#include "PanelHarness.h"
#include "ProgramWide.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using Model = VirtualRadio::Model;
using Commands = QList<QByteArray>;

class OperatorControlsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<PanelHarness> harness_;
    FormControlTOVRAN* panel_ = nullptr;
    QMap<int, std::pair<int, bool>> readOut_;  // per channel read: first row in sight, row shown

    Transceiver& radio() { return harness_->radio.transceiver(); }
    bool settle() { return harness_->waitForReports(3); }  // what was sent is shown

    bool start(Model model) {
        harness_ = std::make_unique<PanelHarness>(model);
        radio().setMemory(40, {7'000'000, 0});  // a channel without a mode
        readOut_.clear();
        // Asked for channel n + 1: the reply for channel n has just been shown.
        connect(&harness_->radio, &VirtualRadio::commandReceived, this, [this](QByteArray c) {
            const MemoryGrid* grid = harness_->panel()->GridMemoire;
            const int channel = c.mid(4, 2).toInt() - 1;
            const QRect row =
                grid->visualRect(grid->model()->index(channel, 1)).adjusted(0, 0, 0, -1);
            if (c.startsWith("MR"))  // in sight: all of the row but, at the bottom, its grid line
                readOut_[channel] = {grid->topRow(), grid->viewport()->rect().contains(row)};
        });
        const bool started = harness_->start();
        panel_ = harness_->panel();
        return started && QTest::qWaitForWindowActive(panel_) && harness_->waitForPolling();
    }

    // What the radio got, once two more reports show that all the operator sent has arrived.
    Commands sent() {
        const Commands commands =
            harness_->waitForReports(2) ? harness_->operatorCommands() : Commands{"(silence)"};
        harness_->clearLog();
        return commands;
    }

    // The enabled button of that caption, or a control by the name the scripts give it.
    QWidget* control(const QString& name) const {
        const QMap<QString, QWidget*> named = {
            {"Up", panel_->CommandUp},     {"Down", panel_->CommandDown},
            {"box", panel_->TextFreq},     {"Step", panel_->CommandProgressionPas},
            {"VFO", panel_->LabelVFO},     {"Freq", panel_->LabelFreq},
            {"table", panel_->GridMemoire}};
        QWidget* found = named.value(name);
        for (QPushButton* candidate : panel_->findChildren<QPushButton*>())
            found = candidate->text() == name && candidate->isEnabled() ? candidate : found;
        return found;
    }

    // An operator's session, its steps separated by ", ":
    //   radio FN1;MD1;  the radio obeys these commands, and the panel follows it ("~" alone)
    //   key 12+x        keys typed to the control that has the focus, with the text X11 gives:
    //                   "^" Home, "$" End, "<" Left, "~" Delete, "\b" Backspace, "\r" Enter,
    //                   "_" Space, "\t" Tab, "\x16" Ctrl+V; what follows "|" is pasted
    //   leave 4         the box loses the focus for that Qt::FocusReason
    //   #30, @7         a double click, a click, on the row of that channel
    //   show VFO * *    a caption put on a display label; is Step 1 Khz: the caption shown
    //   off EFF         no enabled button of that caption; M.IN: a click on it (or Up, Down...)
    void operate(const QString& script) {
        const QHash<QChar, std::pair<Qt::Key, QString>> special = {
            {u'^', {Qt::Key_Home, ""}},         {u'$', {Qt::Key_End, ""}},
            {u'<', {Qt::Key_Left, ""}},         {u'~', {Qt::Key_Delete, "\x7f"}},
            {u'\b', {Qt::Key_Backspace, "\b"}}, {u'\r', {Qt::Key_Return, "\r"}},
            {u'_', {Qt::Key_Space, " "}},       {u'\x16', {Qt::Key_V, "\x16"}},
            {u'\t', {Qt::Key_Tab, "\t"}}};
        for (const QString& step : script.split(QStringLiteral(", "), Qt::SkipEmptyParts)) {
            const QString word = step.section(u' ', 0, 0);
            const QString rest = step.section(u' ', 1);
            if (word == "radio")
                for (const QString& command : rest.split(u';', Qt::SkipEmptyParts))
                    radio().execute((command + ';').toLatin1());
            if (word == "radio" || word == "~") {
                QVERIFY(settle());
            } else if (word == "key") {
                for (QChar key : rest.section(u'|', 0, 0)) {
                    const auto [code, text] = special.value(key, {Qt::Key(0), QString(key)});
                    QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(),
                                        code ? code : Qt::Key(key.toUpper().unicode()), text,
                                        key == u'\x16' ? Qt::ControlModifier : Qt::NoModifier);
                }
                if (rest.contains(u'|')) {
                    QApplication::clipboard()->setText(rest.section(u'|', 1));
                    panel_->TextFreq->paste();
                }
            } else if (word == "leave") {
                QFocusEvent out(QEvent::FocusOut, Qt::FocusReason(rest.toInt()));
                QApplication::sendEvent(panel_->TextFreq, &out);
            } else if (word.startsWith(u'#') || word.startsWith(u'@')) {
                MemoryGrid* grid = panel_->GridMemoire;
                const QModelIndex cell = grid->model()->index(word.sliced(1).toInt(), 1);
                grid->scrollTo(cell);
                const QPoint at = grid->visualRect(cell).center();
                QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
                if (word.startsWith(u'#')) {  // after a click, a second press is a double click
                    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
                    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, at);
                }
            } else if (word == "show") {
                static_cast<DisplayLabel*>(control(rest.section(u' ', 0, 0)))
                    ->setCaption(rest.section(u' ', 1));
            } else if (word == "is") {
                QWidget* shown = control(rest.section(u' ', 0, 0));
                QCOMPARE(shown->property("text").toString(), rest.section(u' ', 1));
                if (shown == panel_->TextFreq)  // the caret always at the end
                    QCOMPARE(panel_->TextFreq->cursorPosition(), rest.section(u' ', 1).size());
            } else if (word == "off") {
                QVERIFY2(!control(rest) || !control(rest)->isEnabled(), qPrintable(rest));
            } else {
                QVERIFY2(control(step) && control(step)->isEnabled(), qPrintable(step));
                QTest::mouseClick(control(step), Qt::LeftButton);
            }
        }
    }

private slots:
    void init() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        if (!harness_)
            QVERIFY(start(Model::TS440));
        if (StorePending)
            QTest::mouseClick(panel_->CommandVFOAouB, Qt::LeftButton);  // abandons a store
        operate("radio RX;SC0;FN1;FB00007050000;MD1;FN0;FA00014195000;MD2;MC000;");
        panel_->CommandUp->setFocus();  // and whatever the box held is gone
        for (int i = 0; i < 5 && panel_->CommandProgressionPas->text() != "STD"; ++i)
            QTest::mouseClick(panel_->CommandProgressionPas, Qt::LeftButton);
        harness_->clearLog();
    }

    // The table stays at the top until channel 20, then keeps the channel just read in sight.
    void readOutScrolling() {
        for (auto [channel, top] : {std::pair(0, 1), {19, 1}, {20, 1}, {25, 6}, {98, 79}})
            QCOMPARE(std::pair(channel, readOut_.value(channel)),
                     std::pair(channel, std::pair(top, true)));
    }

    void operating_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<Commands>("expected");
        QTest::addColumn<QString>("focus");  // where the focus is at the end
        QTest::addColumn<Model>("model");
        const auto add = [](const QString& script, const Commands& expected, const char* focus,
                            Model model = Model::TS440) {
            QTest::addRow("%s on ID00%d", qPrintable(script), int(model))
                << script << expected << QString(focus) << model;
        };
        for (int digit = 0; const char* mode : {"LSB", "USB", "CW", "FM", "AM", "FSK"})
            add(mode, {"MD" + QByteArray::number(++digit) + ';'}, "Up");
        add("TX", {"TX;"}, "TX");
        add("radio TX;, RX", {"RX;"}, "RX");
        add("SCAN", {"SC1;"}, "SCAN");
        add("radio SC1;, STD", {"SC0;"}, "STD");
        add("A/B", {"FN1;"}, "A/B");
        add("radio FN1;, A/B", {"FN0;"}, "A/B");
        add("radio FN2;, A/B", {"FN0;"}, "A/B");  // back to the VFO last in use
        add("radio FN1;, radio FN2;, A/B", {"FN1;"}, "A/B");
        add("MEM", {"FN2;"}, "Up");
        // Tab goes round the enabled controls in the operator's order, from Up.
        add("key \t", {}, "table");
        add("key \t\t\t\t\t\t\t\t\t\t", {}, "LSB");
        // The step button goes round its captions; Up and Down step from the frequency shown.
        add("radio FN1;, Step, Up, Down", {"FB00007051000;", "FB00007049000;"}, "Down");
        add("Step, Step, is Step 5 Khz, Up", {"FA00014200000;"}, "Up");
        add("radio FA00003500000;, Step, Step, Step, is Step 10 Khz, Down", {"FA00003490000;"},
            "Down");
        add("radio FA00000500000;, Step, Step, Step, Step, is Step 1 Mhz, Up, Down",
            {"FA00001500000;"}, "Down");  // not below zero
        add("Step, Step, Step, Step, Step, is Step STD, Up, Down", {"UP;", "DN;"}, "Down");
        add("Step, show Freq * * *, Up, Down", {}, "Down");
        // "+" and "-" tune from the tuning buttons, and the focus follows the direction.
        add("key +--+x-", {"UP;", "DN;", "DN;", "UP;", "DN;"}, "Down");
        add("A/B, key -", {"FN1;", "DN;"}, "Down");
        add("Step, key +, is Step 1 Khz", {"FA00014196000;"}, "Up");
        // Recall from the table: a double click, Space or Enter on a row.
        add("radio FN1;, #9", {"FB00014080000;", "MD6;"}, "Up");
        add("radio FN2;, #9", {"MC009;"}, "table");
        add("#32", {"MC032;"}, "table");          // an empty row
        add("#40", {"FA00007000000;"}, "table");  // a row without a mode
        add("@7, key _", {"FA00007050000;", "MD1;"}, "Up");
        add("@9, key \r", {"FA00014080000;", "MD6;"}, "Up");
        add("@11, key x", {}, "table");
        // Store in two presses, the display kept in between; erase.
        add("radio FA00007123000;MD1;, M.IN, off TX, off SCAN, off EFF, ~, is VFO M.00, off EFF, "
            "off box, #30, ~, CW, M.IN",
            {"FN2;", "MC030;", "MD3;", "MW003000007123000300000;"}, "Up");
        add("M.IN, ~, #31, ~, A/B, ~, M.IN", {"FN2;", "MC031;", "FN0;", "FN2;"}, "Up");
        add("show Freq * * *, M.IN, ~, M.IN", {"FN2;"}, "Up");  // no frequency to store
        add("M.IN, M.IN", {"FN2;"}, "Up");  // still "VFO A": no channel named yet
        add("radio MC040;FN2;, EFF", {"MW004000000000000000000;"}, "Up");  // out of sight
        add("radio MC004;FN2;, show VFO * *, EFF", {}, "Up");
        // Typed entry: Enter sends a value in range; else the typing and the focus stay.
        const auto typed = [&](const QString& keys, const QString& shown, const Commands& expected,
                               Model model = Model::TS440) {
            add(QString("box, key %1, is box %2, key \r, is box %3")
                    .arg(keys, shown, expected.isEmpty() ? shown : ""),
                expected, expected.isEmpty() ? "box" : "Up", model);
        };
        const Commands none;
        typed("3500000^2\b", "2,350,000", {"FA00002350000;"});  // typed at the start
        typed("14200000^~", "4,200,000", {"FA00004200000;"});
        typed("7050000<<~$\b", "70,500", {"FA00000070500;"});
        typed("07+-_a,\x16", "7", none);
        typed("3500000, radio FN1;", "3,500,000", {"FB00003500000;"});
        typed("7050000, show VFO * *", "7,050,000", none);
        typed("7050000, radio MC006;FN2;", "7,050,000", {"MW000600007050000400000;"});
        typed("12|345678", "12,345,678", {"FA00012345678;"});
        typed("|12a4", "12a4", none);
        typed("|123456789", "123456789", none);   // too long to group: kept whole
        typed("12345, leave 4", "12,345", none);  // to the box's own menu, to paste
        typed("12345, leave 3", "12,345", none);  // to another program
        typed("12345, leave 1", "", none);        // to another control, by Tab
        // Each radio's band, both ends in; a digit more than the box takes is refused.
        for (auto [model, lowest, highest] : {std::tuple(Model::TS440, 30'000LL, 30'000'000LL),
                                              {Model::TS711, 144'000'000LL, 148'000'000LL},
                                              {Model::TS811, 430'000'000LL, 450'000'000LL}}) {
            for (qint64 hz : {lowest - 1, lowest, highest, highest + 1, highest * 10 + 1}) {
                const qint64 kept = hz > highest * 10 ? hz / 10 : hz;
                const QByteArray digits = QByteArray::number(kept).rightJustified(11, '0');
                typed(QByteArray::number(hz), QLocale().toString(kept),
                      kept < lowest || kept > highest ? none : Commands{"FA" + digits + ';'},
                      model);
            }
        }
    }

    // Last, as its rows for other radios start them in turn. A mode shows at once; a store
    // or an erase shows at once in the table.
    void operating() {
        QFETCH(Model, model);
        if (radio().model() != model)
            QVERIFY(start(model));
        QFETCH(QString, script);
        const int topRow = panel_->GridMemoire->topRow();
        operate(script);
        if (!script.contains(u'#') && !script.contains(u'@'))  // only the operator scrolls it
            QCOMPARE(panel_->GridMemoire->topRow(), topRow);
        QFETCH(QString, focus);
        QCOMPARE(QApplication::focusWidget(), control(focus));
        QFETCH(Commands, expected);
        const MemoryGrid* grid = panel_->GridMemoire;
        for (const QByteArray& c : expected) {  // MDm; or MW0cccfffffffffffm00000;
            const int row = c.mid(3, 3).toInt() + 1;
            if (c.startsWith("MD"))
                QCOMPARE(panel_->LabelMode->text(), Modes::nameOf(c[2]));
            if (c.startsWith("MW"))  // the channel's row shows what was stored, at once
                QCOMPARE(FrequencyText::read(grid->textMatrix(row, 1)).value_or(0) * 10 +
                             Modes::digitOf(grid->textMatrix(row, 2)).value_or('0') - '0',
                         c.mid(6, 12).toLongLong());
        }
        QCOMPARE(sent(), expected);
    }
};

QTEST_MAIN(OperatorControlsTest)
#include "tst_operatorcontrols.moc"
