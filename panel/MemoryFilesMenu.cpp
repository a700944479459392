// The memory table's menu: the 100 channels saved to a CSV file, and a file's channels written
// back into the radio one at a time between status reports, each read back to see that it took.

#include "MemoryFilesMenu.h"

#include "FormControlTOVRAN.h"
#include "FrequencyText.h"
#include "MemoryGrid.h"
#include "MemoryWriteBack.h"
#include "Modes.h"
#include "RadioConversation.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QSaveFile>
#include <QShortcut>

namespace {

const QString kTitle = QStringLiteral("Info...");
const QString kFilter = QStringLiteral("Mémoires (*.csv);;Tous les fichiers (*)");

QString channelList(const QList<int>& channels) {
    QStringList texts;
    for (int channel : channels) texts << QString::number(channel).rightJustified(2, u'0');
    return texts.join(QStringLiteral(", "));
}

QString outcomeText(const MemoryWriteBack& outcome) {
    QString text = QStringLiteral("%1 mémoires écrites et vérifiées, %2 déjà en place, sur %3.")
                       .arg(outcome.verified())
                       .arg(outcome.alreadyHeld())
                       .arg(outcome.total());
    if (outcome.isStopped())
        text.prepend(QStringLiteral("Écriture arrêtée : "));
    if (!outcome.notTaken().isEmpty())
        text += QStringLiteral("\nLe poste n'a pas pris les canaux %1.")
                    .arg(channelList(outcome.notTaken()));
    return text;
}

}  // namespace

MemoryFilesMenu::MemoryFilesMenu(FormControlTOVRAN& panel, RadioConversation& conversation)
    : QObject(&panel), panel_(panel), conversation_(conversation) {
    showMessage = [this](const QString& title, const QString& text) {
        QMessageBox::information(&panel_, title, text);
    };
    chooseFileToSave = [this] {
        QString path = QFileDialog::getSaveFileName(
            &panel_, QStringLiteral("Enregistrer les mémoires"), QString(), kFilter);
        if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty())
            path += QStringLiteral(".csv");
        return path;
    };
    chooseFileToLoad = [this] {
        return QFileDialog::getOpenFileName(&panel_, QStringLiteral("Charger les mémoires"),
                                            QString(), kFilter);
    };

    MenuMemoire = new QMenu(&panel_);
    SaveMemoriesAction = MenuMemoire->addAction(QStringLiteral("Enregistrer les mémoires..."), this,
                                                &MemoryFilesMenu::SaveMemories);
    LoadMemoriesAction = MenuMemoire->addAction(QStringLiteral("Charger les mémoires..."), this,
                                                &MemoryFilesMenu::LoadMemories);
    StopWritingAction = MenuMemoire->addAction(QStringLiteral("Arrêter l'écriture des mémoires"),
                                               this, &MemoryFilesMenu::StopWritingMemories);
    stopWritingKey_ = new QShortcut(QKeySequence(Qt::Key_Escape), &panel_, this,
                                    &MemoryFilesMenu::StopWritingMemories);
    panel_.GridMemoire->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(panel_.GridMemoire, &QWidget::customContextMenuRequested, this,
            &MemoryFilesMenu::popup);
    connect(&conversation_, &RadioConversation::writeBackProgress, this,
            &MemoryFilesMenu::showProgress);
    connect(&conversation_, &RadioConversation::writeBackEnded, this,
            &MemoryFilesMenu::writeBackEnded);
    update();
}

bool MemoryFilesMenu::isWritingMemories() const {
    return conversation_.writeBack() != nullptr;
}

void MemoryFilesMenu::update() {
    const bool offered = !isWritingMemories() && panel_.MayWriteMemories();
    SaveMemoriesAction->setEnabled(offered);
    LoadMemoriesAction->setEnabled(offered);
    StopWritingAction->setVisible(isWritingMemories());
    stopWritingKey_->setEnabled(isWritingMemories());
}

// A popup, not a modal loop: the polling goes on while the menu is open.
void MemoryFilesMenu::popup(const QPoint& position) {
    update();
    MenuMemoire->popup(panel_.GridMemoire->viewport()->mapToGlobal(position));
}

MemoryFile::Channels MemoryFilesMenu::tableChannels() const {
    MemoryFile::Channels channels;
    for (int channel = 0; channel < MemoryFile::kChannels; ++channel) {
        const int row = MemoryGrid::rowOf(channel);
        const MemoryGrid& grid = *panel_.GridMemoire;
        channels[channel] = {
            FrequencyText::read(grid.textMatrix(row, MemoryGrid::kFrequencyColumn)).value_or(0),
            Modes::digitOf(grid.textMatrix(row, MemoryGrid::kModeColumn)).value_or(0)};
    }
    return channels;
}

void MemoryFilesMenu::SaveMemories() {
    if (isWritingMemories() || !panel_.MayWriteMemories())
        return;
    const QString path = chooseFileToSave();
    if (path.isEmpty())
        return;
    const QByteArray text =
        MemoryFile::write(panel_.radioForMemories().model, QDate::currentDate(), tableChannels());
    // Written aside and put in place whole: a full disk does not leave half a file.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        showMessage(kTitle,
                    QStringLiteral("Mémoires non enregistrées : %1").arg(file.errorString()));
}

// A channel the file does not name is left as it is in the radio.
void MemoryFilesMenu::LoadMemories() {
    if (isWritingMemories() || !panel_.MayWriteMemories())
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
        MemoryFile::read(file.read(MemoryFile::kLargestFile + 1), panel_.radioForMemories());
    if (!reading.isSound()) {
        const QString where = reading.faultLine > 0
                                  ? QStringLiteral("ligne %1 : ").arg(reading.faultLine)
                                  : QString();
        showMessage(kTitle, QStringLiteral("Rien n'a été écrit, %1%2.").arg(where, reading.fault));
        return;
    }
    // The file dialog let the polling run: the radio may have been keyed meanwhile.
    if (!panel_.MayWriteMemories())
        return;
    if (!conversation_.startWriteBack(reading.channels)) {
        showMessage(kTitle, QStringLiteral("Aucune mémoire dans ce fichier : rien n'a été écrit."));
        return;
    }
    update();
}

void MemoryFilesMenu::StopWritingMemories() {
    conversation_.stopWriteBack();
}

void MemoryFilesMenu::showProgress(int position, int total) {
    panel_.RemoveFromStatusLine(progressShown_);
    progressShown_ = QStringLiteral(" - écriture mémoire %1/%2").arg(position).arg(total);
    panel_.AddToStatusLine(progressShown_);
}

// The last read-back arrives in the receive path: the message waits until it has returned, so
// that the polling goes on while the operator reads it.
void MemoryFilesMenu::writeBackEnded(const MemoryWriteBack& outcome) {
    panel_.RemoveFromStatusLine(std::exchange(progressShown_, QString()));
    update();
    QMetaObject::invokeMethod(
        this, [this, text = outcomeText(outcome)] { showMessage(kTitle, text); },
        Qt::QueuedConnection);
}
