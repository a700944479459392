// The memory table's menu: the 100 channels saved to a CSV file, and a file's channels written
// back into the radio one at a time between status reports, each read back to see that it took.

#include "Commands.h"
#include "DisplayLabel.h"
#include "FormControlTOVRAN.h"
#include "FrequencyText.h"
#include "MemoryGrid.h"
#include "MemoryWriteBack.h"
#include "Modes.h"
#include "ProgramWide.h"
#include "SerialComm.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QSaveFile>
#include <QShortcut>

#include <algorithm>

namespace {

const QString kTitle = QStringLiteral("Info...");
const QString kFilter = QStringLiteral("Mémoires (*.csv);;Tous les fichiers (*)");

QString channelList(const QList<int>& channels) {
    QStringList texts;
    for (int channel : channels) texts << QString::number(channel).rightJustified(2, u'0');
    return texts.join(QStringLiteral(", "));
}

}  // namespace

void FormControlTOVRAN::buildMemoryMenu() {
    showMessage = [this](const QString& title, const QString& text) {
        QMessageBox::information(this, title, text);
    };
    chooseFileToSave = [this] {
        QString path = QFileDialog::getSaveFileName(
            this, QStringLiteral("Enregistrer les mémoires"), QString(), kFilter);
        if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty())
            path += QStringLiteral(".csv");
        return path;
    };
    chooseFileToLoad = [this] {
        return QFileDialog::getOpenFileName(this, QStringLiteral("Charger les mémoires"), QString(),
                                            kFilter);
    };

    MenuMemoire = new QMenu(this);
    SaveMemoriesAction = MenuMemoire->addAction(QStringLiteral("Enregistrer les mémoires..."), this,
                                                &FormControlTOVRAN::SaveMemories);
    LoadMemoriesAction = MenuMemoire->addAction(QStringLiteral("Charger les mémoires..."), this,
                                                &FormControlTOVRAN::LoadMemories);
    StopWritingAction = MenuMemoire->addAction(QStringLiteral("Arrêter l'écriture des mémoires"),
                                               this, &FormControlTOVRAN::StopWritingMemories);
    stopWritingKey_ = new QShortcut(QKeySequence(Qt::Key_Escape), this, this,
                                    &FormControlTOVRAN::StopWritingMemories);
    GridMemoire->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(GridMemoire, &QWidget::customContextMenuRequested, this,
            &FormControlTOVRAN::GridMemoire_ContextMenu);
    UpdateMemoryMenu();
}

// The panel's own store and erase may write memories in the same state: the read-out over,
// receiving, not scanning and no store waiting for its channel.
bool FormControlTOVRAN::MayWriteMemories() const {
    return LabelRxTx->text() == QLatin1String("RX") &&
           LabelEtatScan->text() == QLatin1String("STD") && !StorePending;
}

void FormControlTOVRAN::UpdateMemoryMenu() {
    const bool writing = isWritingMemories();
    SaveMemoriesAction->setEnabled(!writing && MayWriteMemories());
    LoadMemoriesAction->setEnabled(!writing && MayWriteMemories());
    StopWritingAction->setVisible(writing);
    stopWritingKey_->setEnabled(writing);
}

// A popup, not a modal loop: the polling goes on while the menu is open.
void FormControlTOVRAN::GridMemoire_ContextMenu(const QPoint& position) {
    UpdateMemoryMenu();
    MenuMemoire->popup(GridMemoire->viewport()->mapToGlobal(position));
}

MemoryFile::Channels FormControlTOVRAN::TableChannels() const {
    MemoryFile::Channels channels;
    for (int channel = 0; channel < MemoryFile::kChannels; ++channel) {
        const int row = MemoryGrid::rowOf(channel);
        channels[channel] = {
            FrequencyText::read(GridMemoire->textMatrix(row, MemoryGrid::kFrequencyColumn))
                .value_or(0),
            Modes::digitOf(GridMemoire->textMatrix(row, MemoryGrid::kModeColumn)).value_or(0)};
    }
    return channels;
}

void FormControlTOVRAN::SaveMemories() {
    if (isWritingMemories() || !MayWriteMemories())
        return;
    const QString path = chooseFileToSave();
    if (path.isEmpty())
        return;
    const QByteArray text =
        MemoryFile::write(radioForMemories().model, QDate::currentDate(), TableChannels());
    // Written aside and put in place whole: a full disk does not leave half a file.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        showMessage(kTitle,
                    QStringLiteral("Mémoires non enregistrées : %1").arg(file.errorString()));
}

// A channel the file does not name is left as it is in the radio.
void FormControlTOVRAN::LoadMemories() {
    if (isWritingMemories() || !MayWriteMemories())
        return;
    const QString path = chooseFileToLoad();
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        showMessage(kTitle, QStringLiteral("Rien n'a été écrit : %1").arg(file.errorString()));
        return;
    }
    const MemoryFile::Reading reading =
        MemoryFile::read(file.read(MemoryFile::kLargestFile + 1), radioForMemories());
    if (!reading.isSound()) {
        const QString where = reading.faultLine > 0
                                  ? QStringLiteral("ligne %1 : ").arg(reading.faultLine)
                                  : QString();
        showMessage(kTitle, QStringLiteral("Rien n'a été écrit, %1%2.").arg(where, reading.fault));
        return;
    }
    // The file dialog let the polling run: the radio may have been keyed meanwhile.
    if (!MayWriteMemories())
        return;
    StartWriteBack(reading.channels);
}

void FormControlTOVRAN::StartWriteBack(const MemoryFile::Given& given) {
    if (std::ranges::none_of(given, [](const auto& channel) { return channel.has_value(); })) {
        showMessage(kTitle, QStringLiteral("Aucune mémoire dans ce fichier : rien n'a été écrit."));
        return;
    }
    writeBack_ = std::make_unique<MemoryWriteBack>(given);
    UpdateMemoryMenu();
    ShowWriteBackProgress();
}

// After a status report: the next channel's read request, behind its store when it is to be
// written, once its turn has come and while the radio receives and does not scan. The table
// may be out of date (a radio reset while the panel ran): what counts is what the radio holds.
bool FormControlTOVRAN::TakeWriteBackTurn() {
    if (!writeBack_)
        return false;
    writeBack_->reportTaken();
    if (!MayWriteMemories())
        return false;
    const std::optional<MemoryWriteBack::Turn> turn = writeBack_->nextTurn();
    if (!turn)
        return false;
    if (const std::optional<MemoryFile::Channel>& store = turn->store)
        MSComm1->output(store->isEmpty() ? Command::eraseMemory(turn->channel)
                                         : Command::storeMemory(turn->channel, store->frequencyHz,
                                                                store->modeDigit));
    MSComm1->setRThreshold(Reply::kMemoryLength);
    requests_->request(Command::readMemory(turn->channel));
    ShowWriteBackProgress();
    return true;
}

// The row shows what the radio answered, whether or not it took the channel.
void FormControlTOVRAN::ReadBackMemory(const Reply::Memory& memory) {
    writeBack_->channelRead(memory);
    ShowMemoryRow(memory);
    GridMemoire->setCol(MemoryGrid::kModeColumn);
    if (Modes::nameOf(memory.modeDigit).isEmpty())  // an erased channel's mode goes with it
        GridMemoire->setText(QString());
    GridMemoire->setCol(MemoryGrid::kFrequencyColumn);
    GridMemoire->scrollTo(GridMemoire->currentIndex());
    MSComm1->setRThreshold(Reply::kStatusLength);
    requests_->request(Command::status());
    if (writeBack_->isFinished())
        EndWriteBack();
}

void FormControlTOVRAN::ShowWriteBackProgress() {
    RemoveFromStatusLine(progressShown_);
    progressShown_ = QStringLiteral(" - écriture mémoire %1/%2")
                         .arg(std::max(writeBack_->position(), 1))
                         .arg(writeBack_->total());
    AddToStatusLine(progressShown_);
}

void FormControlTOVRAN::StopWritingMemories() {
    if (!writeBack_)
        return;
    writeBack_->stop();
    if (writeBack_->isFinished())
        EndWriteBack();
}

void FormControlTOVRAN::EndWriteBack() {
    const std::unique_ptr<MemoryWriteBack> ended = std::move(writeBack_);
    RemoveFromStatusLine(std::exchange(progressShown_, QString()));
    UpdateMemoryMenu();
    QString text = QStringLiteral("%1 mémoires écrites et vérifiées, %2 déjà en place, sur %3.")
                       .arg(ended->verified())
                       .arg(ended->alreadyHeld())
                       .arg(ended->total());
    if (ended->isStopped())
        text.prepend(QStringLiteral("Écriture arrêtée : "));
    if (!ended->notTaken().isEmpty())
        text += QStringLiteral("\nLe poste n'a pas pris les canaux %1.")
                    .arg(channelList(ended->notTaken()));
    showMessage(kTitle, text);
}
