// The memory table's menu as the operator uses it: the 100 channels saved to a file, and a
// file written back into the virtual radio channel by channel, each read back; the file's
// reading as a table of texts a person or a spreadsheet might write.

#include "DisplayLabel.h"
#include "FrequencyText.h"
#include "MemoryFile.h"
#include "MemoryFilesMenu.h"
#include "MemoryGrid.h"
#include "Modes.h"
#include "PanelHarness.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {
using Model = VirtualRadio::Model;
using Tuning = Transceiver::Tuning;
constexpr int kPatienceMs = 30000;  // a hundred channels unpaced on a loaded machine
// Ten unpaced reports take milliseconds; a stalled chain repeats its request once a second.
constexpr int kBoxOpenMs = 2500;

const QByteArray kHead = "# Kenwood TS-440,2026-12-07\ncanal,frequence_hz,mode\n";

// Every channel but a few, each its own frequency and a mode of the radio's.
void fillMemories(Transceiver& radio) {
    for (int channel = 0; channel < Transceiver::kChannelCount; ++channel)
        radio.setMemory(channel, channel % 9 == 4
                                     ? Tuning{}
                                     : Tuning{1'000'000 + channel * 210'010, 1 + channel % 6});
}
}  // namespace

class MemoriesTest : public QObject {
    Q_OBJECT

    std::unique_ptr<PanelHarness> harness_;
    QTemporaryDir dir_;
    QString path_;
    QStringList messages_;
    int asked_ = 0;     // requests the radio heard (IF and MR) ...
    int answered_ = 0;  // ... and replies it made
    int mostOutstanding_ = 0;

    FormControlTOVRAN* panel() const { return harness_->panel(); }
    MemoryFilesMenu* files() const { return panel()->memoryFiles(); }
    Transceiver& radio() { return harness_->radio.transceiver(); }

    bool start(Model model = Model::TS440, const std::function<void(Transceiver&)>& setUp = {}) {
        harness_ = std::make_unique<PanelHarness>(model);
        if (setUp)
            setUp(radio());
        VirtualRadio& line = harness_->radio;
        connect(&line, &VirtualRadio::commandReceived, this, [this](const QByteArray& command) {
            if (command == "IF;" || command == "ID;" || command.startsWith("MR"))
                mostOutstanding_ = std::max(mostOutstanding_, ++asked_ - answered_);
        });
        connect(&line, &VirtualRadio::replySent, this, [this] { ++answered_; });
        if (!harness_->start() || !QTest::qWaitForWindowActive(panel()) ||
            !harness_->waitForPolling())
            return false;
        files()->showMessage = [this](const QString&, const QString& text) { messages_ << text; };
        files()->chooseFileToSave = [this] { return path_; };
        files()->chooseFileToLoad = [this] { return path_; };
        messages_.clear();
        harness_->clearLog();
        return true;
    }

    // Right button on the table, or the menu key: the menu pops up with its entries.
    QMenu* openMenu(bool byKeyboard = false) {
        MemoryGrid* grid = panel()->GridMemoire;
        panel()->activateWindow();  // back from the menu last shown
        if (!QTest::qWaitForWindowActive(panel()))
            return nullptr;
        // The menu key comes from the window system as a context menu event for the focus.
        QWidget* target = byKeyboard ? static_cast<QWidget*>(grid) : grid->viewport();
        const QPoint at = target->rect().center();
        QContextMenuEvent event(byKeyboard ? QContextMenuEvent::Keyboard : QContextMenuEvent::Mouse,
                                at, target->mapToGlobal(at));
        QApplication::sendEvent(target, &event);
        return files()->MenuMemoire->isVisible() ? files()->MenuMemoire : nullptr;
    }
    void choose(QAction* entry) {
        QVERIFY(openMenu());
        QVERIFY(entry->isEnabled());
        entry->trigger();
        files()->MenuMemoire->hide();
        panel()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(panel()));
    }
    void writeFile(const QByteArray& text) {
        QFile file(path_);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    // The write-back over and its outcome told, once the receive handler has returned.
    bool written() {
        return PanelHarness::waitUntil(
            [&] { return !files()->isWritingMemories() && !messages_.isEmpty(); }, kPatienceMs);
    }
    QList<QByteArray> stores() const {
        QList<QByteArray> found;
        for (const QByteArray& command : harness_->radio.receivedCommands())
            if (command.startsWith("MW"))
                found << command.left(6);
        return found;
    }

private slots:
    void init() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QVERIFY(dir_.isValid());
        path_ = dir_.filePath(QStringLiteral("memoires.csv"));
        QFile::remove(path_);
        asked_ = answered_ = mostOutstanding_ = 0;
    }

    void reading_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<Model>("model");
        QTest::addColumn<QString>("read");  // cc:hz:digit of each channel given, or the fault
        const auto row = [](const char* name, const QByteArray& text, const QString& read,
                            Model model = Model::TS440) {
            QTest::newRow(name) << text << model << read;
        };
        row("as saved, a note", kHead + "00,14195000,USB\n01,,\n\n# mes notes\n99,7050000,LSB\n",
            "00:14195000:2 01:0:0 99:7050000:1");
        row("from a spreadsheet",
            "\xef\xbb\xbf# Kenwood TS-440;;\r\nCanal;Frequence_hz;Mode\r\n\"7\";\"3650000\";lsb\r\n"
            "08;;;\r\n;;\r\n",
            "07:3650000:1 08:0:0");
        row("2 m", "# Kenwood TS-711\ncanal,frequence_hz,mode\n3,145500000,FM\n", "03:145500000:4",
            Model::TS711);
        row("another radio's", "# Kenwood TS-711,2026-12-07\ncanal,frequence_hz,mode\n",
            "1 mémoires d'un Kenwood TS-711, le poste est un Kenwood TS-440");
        row("radio not named", "canal,frequence_hz,mode\n00,14195000,USB\n",
            "1 la ligne « # Kenwood TS-440 » qui nomme le poste manque");
        row("no header", kHead.first(28) + "00,14195000,USB\n",
            "2 en-tête « canal,frequence_hz,mode » attendu");
        row("twice", kHead + "05,14195000,USB\n5,7050000,LSB\n", "4 canal 05 déjà donné ligne 3");
        row("channel 100", kHead + "100,14195000,USB\n", "3 canal « 100 » : de 00 à 99");
        row("grouped", kHead + "00,14.195.000,USB\n",
            "3 fréquence « 14.195.000 » : des hertz, en chiffres seuls");
        row("twelve digits", kHead + "00,100000000000,USB\n",
            "3 fréquence « 100000000000 » : des hertz, en chiffres seuls");
        row("out of the bands", kHead + "00,14195000,USB\n01,50000000,USB\n",
            "4 50000000 Hz hors des bandes du Kenwood TS-440");
        row("AM on 2 m", "# Kenwood TS-711\ncanal,frequence_hz,mode\n3,145500000,AM\n",
            "3 le Kenwood TS-711 n'a pas le mode AM", Model::TS711);
        row("unknown mode", kHead + "00,14195000,SSB\n", "3 mode « SSB » inconnu");
        row("no mode", kHead + "00,14195000\n", "3 fréquence 14195000 sans mode");
        row("no frequency", kHead + "00,,USB\n", "3 mode USB sans fréquence");
        row("four fields", kHead + "00,14195000,USB,x\n", "3 4 champs, 3 attendus");
        row("empty", "", "0 aucune mémoire dans ce fichier");
        row("too large", kHead + QByteArray(MemoryFile::kLargestFile, '\n'),
            "0 ce n'est pas un fichier de mémoires (trop grand)");
    }
    void reading() {
        QFETCH(QByteArray, text);
        QFETCH(Model, model);
        const bool vhf = model == Model::TS711;
        const MemoryFile::Radio radio{
            vhf ? "Kenwood TS-711" : "Kenwood TS-440",
            [vhf](qint64 hz) { return vhf ? hz >= 144'000'000 : hz <= 30'000'000; },
            [vhf](char digit) { return !vhf || digit <= '4'; }};
        const MemoryFile::Reading reading = MemoryFile::read(text, radio);
        QStringList read;
        for (int channel = 0; channel < MemoryFile::kChannels; ++channel) {
            if (const auto& given = reading.channels[channel])
                read << QStringLiteral("%1:%2:%3")
                            .arg(channel, 2, 10, QChar(u'0'))
                            .arg(given->frequencyHz)
                            .arg(given->modeDigit ? QString(QChar(given->modeDigit)) : "0");
        }
        if (!reading.isSound())
            read = QStringList{QString::number(reading.faultLine) + ' ' + reading.fault} + read;
        QTEST(read.join(' '), "read");
    }

    // Offered once polling runs, while receiving and no store waiting; the same menu by the
    // menu key. A scanning radio leaves the table, and so its menu, disabled.
    void menuOffered_data() {
        QTest::addColumn<QByteArray>("radioDoes");
        QTest::addColumn<bool>("storePending");
        QTest::addColumn<QString>("shown");
        const QString on = "Enregistrer les mémoires...|Charger les mémoires...";
        const QString off = "Enregistrer les mémoires... (off)|Charger les mémoires... (off)";
        QTest::newRow("receiving") << QByteArray() << false << on;
        QTest::newRow("transmitting") << QByteArray("TX;") << false << off;
        QTest::newRow("store pending") << QByteArray() << true << off;
        QTest::newRow("scanning") << QByteArray("SC1;") << false << QString();
    }
    void menuOffered() {
        QFETCH(QByteArray, radioDoes);
        QFETCH(bool, storePending);
        QVERIFY(start());
        if (!radioDoes.isEmpty())
            radio().execute(radioDoes);
        if (storePending)
            panel()->CommandMemIn->click();
        QVERIFY(harness_->waitForReports(3));
        for (bool byKeyboard : {false, true}) {
            QStringList shown;
            if (QMenu* menu = openMenu(byKeyboard)) {
                for (const QAction* entry : menu->actions())
                    if (entry->isVisible())
                        shown << entry->text() + (entry->isEnabled() ? "" : " (off)");
                menu->hide();
            }
            QTEST(shown.join('|'), "shown");
        }
    }

    // Saved, the radio's memories lost while the panel runs (its table no longer true), loaded:
    // every channel on the radio as in the file, while the polling keeps at least one status
    // report for each channel read or written, one request outstanding at a time.
    void roundTrip() {
        QVERIFY(start(Model::TS440, fillMemories));
        choose(files()->SaveMemoriesAction);
        QFile file(path_);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QCOMPARE(lines.size(), 103);  // the name, the header, 100 channels, the end of line
        QCOMPARE(lines[0],
                 "# Kenwood TS-440," + QDate::currentDate().toString(Qt::ISODate).toLatin1());
        QCOMPARE(lines[1] + '|' + lines[2] + '|' + lines[5] + '|' + lines[101],
                 "canal,frequence_hz,mode|00,1000000,LSB|03,1630030,FM|99,21790990,FM");
        QCOMPARE(lines[6], "04,,");

        radio().clearMemories();
        radio().setMemory(13, {7'000'000, 1});  // to be erased
        radio().setMemory(5, {2'050'050, 6});   // already as in the file
        harness_->clearLog();
        choose(files()->LoadMemoriesAction);
        QVERIFY(panel()->StatusBarTovran->text().endsWith(" - écriture mémoire 1/100"));
        QVERIFY(written());
        Transceiver expected(Model::TS440);
        fillMemories(expected);
        for (int channel = 0; channel < Transceiver::kChannelCount; ++channel) {
            QCOMPARE(radio().memory(channel), expected.memory(channel));
            const MemoryGrid* grid = panel()->GridMemoire;
            QCOMPARE(grid->textMatrix(channel + 1, 1) + grid->textMatrix(channel + 1, 2),
                     FrequencyText::grouped(expected.memory(channel).frequencyHz) +
                         Modes::nameOf(char('0' + expected.memory(channel).mode)));
        }
        QCOMPARE(messages_,
                 QStringList{"89 mémoires écrites et vérifiées, 11 déjà en place, sur 100."});
        QVERIFY(!panel()->StatusBarTovran->text().contains("écriture"));
        // Each store comes after a status report and is read back at once; the VFO stays.
        const QList<QByteArray> commands = harness_->radio.receivedCommands();
        int stored = 0;
        for (qsizetype i = 0; i < commands.size(); ++i) {
            if (!commands[i].startsWith("MW"))
                continue;
            ++stored;
            QCOMPARE(commands[i - 1], "IF;");
            QCOMPARE(commands.value(i + 1), "MR00" + commands[i].mid(4, 2) + ';');
        }
        QCOMPARE(stored, 89);
        // Every channel read once, and once more after each store; a report for each read.
        const auto reads =
            std::ranges::count_if(commands, [](auto& c) { return c.startsWith("MR"); });
        QCOMPARE(reads, 100 + stored);
        QVERIFY2(commands.count("IF;") >= reads,
                 qPrintable(QString::number(commands.count("IF;"))));
        QCOMPARE(mostOutstanding_, 1);
        QCOMPARE(radio().source(), Transceiver::Source::VfoA);
        QCOMPARE(harness_->operatorCommands().size(), stored);
    }

    // A bad file writes nothing and says which line is wrong.
    void badFile_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("one bad line") << kHead + "00,7050000,LSB\n01,3650000,LSB\n02,3650000,XX\n"
                                      << "Rien n'a été écrit, ligne 5 : mode « XX » inconnu.";
        QTest::newRow("another radio")
            << QByteArray("# Kenwood TS-811\ncanal,frequence_hz,mode\n00,433500000,FM\n")
            << "Rien n'a été écrit, ligne 1 : mémoires d'un Kenwood TS-811, le poste est un "
               "Kenwood TS-440.";
    }
    void badFile() {
        QFETCH(QByteArray, text);
        QVERIFY(start());
        writeFile(text);
        choose(files()->LoadMemoriesAction);
        QVERIFY(harness_->waitForReports(5));
        QVERIFY(!files()->isWritingMemories());
        QTEST(messages_.join('|'), "message");
        QCOMPARE(stores(), QList<QByteArray>{});
        QCOMPARE(radio().memory(0), (Tuning{14'195'000, 2}));
    }

    // A read-back that differs once is written again and taken; one that differs each time is
    // tried twice and reported, its row showing what the radio answered.
    void readBackDiffers() {
        QVERIFY(start());
        writeFile(kHead + "20,7050000,LSB\n21,3650000,CW\n22,9410000,AM\n");
        QObject local;         // the connection goes with the locals it uses
        bool misread = false;  // the read-back after the first store
        connect(&harness_->radio, &VirtualRadio::commandReceived, &local, [&](QByteArray c) {
            if (c.startsWith("MW0021") && !std::exchange(misread, true))
                harness_->radio.misreadMemoryOnce(21);
            if (c.startsWith("MW0022"))
                harness_->radio.misreadMemoryOnce(22);
        });
        choose(files()->LoadMemoriesAction);
        QVERIFY(written());
        QCOMPARE(stores(), (QList<QByteArray>{"MW0020", "MW0021", "MW0021", "MW0022", "MW0022"}));
        QCOMPARE(radio().memory(21), (Tuning{3'650'000, 3}));
        QCOMPARE(panel()->GridMemoire->textMatrix(22, 1), "3,650,000");
        QCOMPARE(panel()->GridMemoire->textMatrix(23, 1), "9,410,001");
        QCOMPARE(messages_,
                 QStringList{"2 mémoires écrites et vérifiées, 0 déjà en place, sur 3.\nLe poste "
                             "n'a pas pris les canaux 22."});
    }

    // Keyed in the middle, the radio gets no store until it receives again.
    void waitsWhileTransmitting() {
        QVERIFY(start());
        writeFile(kHead + "20,7050000,LSB\n");
        QObject local;
        connect(&harness_->radio, &VirtualRadio::commandReceived, &local, [this](QByteArray c) {
            if (c == "MR0020;")
                radio().setTransmitting(true);
        });
        choose(files()->LoadMemoriesAction);
        QVERIFY(harness_->waitForReports(10));
        QCOMPARE(stores(), QList<QByteArray>{});
        radio().setTransmitting(false);
        QVERIFY(written());
        QCOMPARE(stores(), QList<QByteArray>{"MW0020"});
    }

    // The message at the end is a modal box: the radio goes on being polled at its full rate
    // while the operator reads it, whether the write-back ended or was stopped.
    void pollingWhileTheOutcomeIsShown_data() {
        QTest::addColumn<bool>("stopped");
        QTest::newRow("all written") << false;
        QTest::newRow("stopped") << true;
    }
    void pollingWhileTheOutcomeIsShown() {
        QFETCH(bool, stopped);
        QVERIFY(start(Model::TS440, [](Transceiver& radio) { radio.clearMemories(); }));
        writeFile(kHead + "20,7050000,LSB\n21,3650000,CW\n22,9410000,AM\n");
        int reportsWhileShown = -1;
        files()->showMessage = [&](const QString&, const QString& text) {
            messages_ << text;
            const int before = harness_->statusRequests();
            PanelHarness::waitUntil([&] { return harness_->statusRequests() >= before + 10; },
                                    kBoxOpenMs);
            reportsWhileShown = harness_->statusRequests() - before;
        };
        QObject local;
        connect(&harness_->radio, &VirtualRadio::commandReceived, &local, [&](QByteArray c) {
            if (stopped && c.startsWith("MW0020"))
                files()->StopWritingMemories();
        });
        choose(files()->LoadMemoriesAction);
        QVERIFY(PanelHarness::waitUntil([&] { return reportsWhileShown >= 0; }, kPatienceMs));
        QVERIFY2(reportsWhileShown >= 10, qPrintable(QString::number(reportsWhileShown)));
        QCOMPARE(messages_.value(0).startsWith(QStringLiteral("Écriture arrêtée")), stopped);
        QVERIFY(!panel()->StatusBarTovran->text().contains(" - pas de réponse"));
    }

    // Escape stops after the channel in flight has been read back: no channel half-written,
    // the row showing what the radio holds, and no store after.
    void stopHalfWay_data() {
        QTest::addColumn<bool>("byMenu");
        QTest::newRow("Escape") << false;
        QTest::newRow("the menu") << true;
    }
    void stopHalfWay() {
        QFETCH(bool, byMenu);
        QVERIFY(start(Model::TS440, [](Transceiver& radio) { radio.clearMemories(); }));
        QByteArray text = kHead;
        for (int channel = 0; channel < 100; ++channel)
            text += QByteArray::number(channel) + ',' +
                    QByteArray::number(7'000'000 + channel * 1000) + ",CW\n";
        writeFile(text);
        // The operator stops while the tenth channel is on its way; the menu then offers only
        // to stop.
        QString shown;
        QObject local;  // the connection goes with the locals it uses
        connect(&harness_->radio, &VirtualRadio::commandReceived, &local, [&](QByteArray c) {
            if (!c.startsWith("MW0009"))
                return;
            if (!byMenu)
                return QTest::keyClick(panel()->windowHandle(), Qt::Key_Escape);
            if (QMenu* menu = openMenu())
                for (QAction* entry : menu->actions())
                    shown += entry->isEnabled() && entry->isVisible() ? entry->text() : "";
            files()->StopWritingAction->trigger();
        });
        choose(files()->LoadMemoriesAction);
        QVERIFY(written());
        QVERIFY(harness_->waitForReports(5));
        const qsizetype stored = stores().size();
        QCOMPARE(stored, 10);
        for (int channel = 0; channel < 100; ++channel) {
            const Tuning expected =
                channel < stored ? Tuning{7'000'000 + channel * 1000, 3} : Tuning{};
            QCOMPARE(radio().memory(channel), expected);
            QCOMPARE(panel()->GridMemoire->textMatrix(channel + 1, 1),
                     FrequencyText::grouped(expected.frequencyHz));
        }
        QCOMPARE(shown, byMenu ? "Arrêter l'écriture des mémoires" : "");
        QCOMPARE(messages_, QStringList{QStringLiteral("Écriture arrêtée : %1 mémoires écrites et "
                                                       "vérifiées, 0 déjà en place, sur 100.")
                                            .arg(stored)});
    }
};

QTEST_MAIN(MemoriesTest)
#include "tst_memories.moc"
