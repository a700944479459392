#pragma once

#include "MemoryFile.h"

#include <QObject>
#include <QString>

#include <functional>

class FormControlTOVRAN;
class MemoryWriteBack;
class QAction;
class QMenu;
class QShortcut;
class RadioConversation;

// The memory table's menu (right button or the menu key): the 100 channels saved to a CSV
// file, and a file's channels written back into the radio, with the dialogs that go with it.
// The write-back itself is the conversation's; this shows its progress and its outcome.
class MemoryFilesMenu : public QObject {
    Q_OBJECT

public:
    MemoryFilesMenu(FormControlTOVRAN& panel, RadioConversation& conversation);

    QMenu* MenuMemoire;
    QAction* SaveMemoriesAction;
    QAction* LoadMemoriesAction;
    QAction* StopWritingAction;

    // How the operator is told and asked: a message box, and Qt's file dialogs (an empty name
    // when the operator gives up), unless a test puts its own in their place.
    std::function<void(const QString& title, const QString& text)> showMessage;
    std::function<QString()> chooseFileToSave;
    std::function<QString()> chooseFileToLoad;

    void SaveMemories();
    void LoadMemories();
    void StopWritingMemories();  // after the channel being written has been read back
    bool isWritingMemories() const;

private:
    void popup(const QPoint& position);
    void update();
    MemoryFile::Channels tableChannels() const;
    void showProgress(int position, int total);
    void writeBackEnded(const MemoryWriteBack& outcome);

    FormControlTOVRAN& panel_;
    RadioConversation& conversation_;
    QShortcut* stopWritingKey_;
    QString progressShown_;  // the write-back's part of the status line
};
