#pragma once

#include "MemoryFile.h"
#include "Replies.h"
#include "RequestChain.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class DisplayLabel;
class MemoryGrid;
class MemoryWriteBack;
class QAction;
class QMenu;
class QShortcut;
namespace Radios {
struct Radio;
}
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class SerialComm;

// The control panel. Its captions are the panel's state of record: the status reports write
// them, and the operator's handlers read the frequency, mode, VFO or channel and step back
// from them. The handlers live in files of their own, by group:
//   ReceiveHandler.cpp   replies from the radio: identification, memory read-out, status
//   Tuning.cpp           step choice, up and down, the "+" and "-" keys
//   VfoSelection.cpp     VFO A / B and back from memory
//   ModesAndToggles.cpp  the six modes, transmit and scan
//   Memories.cpp         MEM, M.IN, EFF and the store into a channel
//   FrequencyEntry.cpp   the frequency box
//   Recall.cpp           recall from the memory table
//   MemoryFiles.cpp      the table's menu: the channels saved to a file and written back
class FormControlTOVRAN : public QWidget {
    Q_OBJECT

public:
    explicit FormControlTOVRAN(QWidget* parent = nullptr);
    ~FormControlTOVRAN() override;

    // Opens the chosen port and starts the conversation with the radio. False when the port
    // cannot be opened; nothing has been sent then.
    bool Form_Load();

    // --- The controls, by frame.
    QGroupBox* FrameAffichage;
    QLabel* Label1;
    DisplayLabel* LabelEtatScan;
    DisplayLabel* LabelVFO;
    DisplayLabel* LabelFreq;
    DisplayLabel* LabelRxTx;
    DisplayLabel* LabelMode;
    QGroupBox* FrameFrequence;
    QLineEdit* TextFreq;
    QGroupBox* FrameVCO;
    QPushButton* CommandDown;
    QPushButton* CommandUp;
    QPushButton* CommandVFOAouB;
    QPushButton* CommandProgressionPas;
    QGroupBox* FrameFonctions;
    QPushButton* CommandRxTx;
    QPushButton* CommandScan;
    QGroupBox* FrameMemoire;
    QPushButton* CommandMemVfo;
    QPushButton* CommandMemIn;
    QPushButton* CommandEffaceMem;
    QGroupBox* FrameMode;
    QPushButton* CommandLSB;
    QPushButton* CommandUSB;
    QPushButton* CommandCW;
    QPushButton* CommandAM;
    QPushButton* CommandFM;
    QPushButton* CommandFSK;
    QGroupBox* FrameGridMemoire;
    MemoryGrid* GridMemoire;
    QLabel* StatusBarTovran;
    SerialComm* MSComm1;
    // The memory table's context menu (right button or the menu key).
    QMenu* MenuMemoire;
    QAction* SaveMemoriesAction;
    QAction* LoadMemoriesAction;
    QAction* StopWritingAction;

    // How the operator is told and asked: a message box, and Qt's file dialogs (an empty name
    // when the operator gives up), unless a test puts its own in their place.
    std::function<void(const QString& title, const QString& text)> showMessage;
    std::function<QString()> chooseFileToSave;
    std::function<QString()> chooseFileToLoad;

    // A command that keys or unkeys the transmitter, from the TX/RX button or from a client
    // sharing the radio, goes out here, so that the panel knows of every keying until a status
    // report shows it, and undoes it when it closes.
    void Send(const QByteArray& command);

    // --- Replies from the radio (ReceiveHandler.cpp).
    void MSComm1_OnComm();
    // The radio has answered within the last few seconds (the request chain's silence time-out).
    bool radioAnswers() const { return requests_->radioAnswers(); }

    // --- The operator's handlers.
    void CommandProgressionPas_Click();
    void CommandUp_Click();
    void CommandDown_Click();
    void CommandUp_KeyPress(qint16& keyAscii);
    void CommandDown_KeyPress(qint16& keyAscii);
    void CommandVFOAouB_KeyPress(qint16& keyAscii);
    void CommandProgressionPas_KeyPress(qint16& keyAscii);
    void CommandVFOAouB_Click();
    void CommandLSB_Click();
    void CommandUSB_Click();
    void CommandCW_Click();
    void CommandFM_Click();
    void CommandAM_Click();
    void CommandFSK_Click();
    void CommandRxTx_Click();
    void CommandScan_Click();
    void CommandMemVfo_Click();
    void CommandMemIn_Click();
    void CommandEffaceMem_Click();
    void TextFreq_Change();
    void TextFreq_KeyPress(qint16& keyAscii);
    void TextFreq_LostFocus();
    void GridMemoire_DblClick();
    void GridMemoire_KeyPress(qint16& keyAscii);
    void GridMemoire_ContextMenu(const QPoint& position);
    void SaveMemories();
    void LoadMemories();
    void StopWritingMemories();  // after the channel being written has been read back
    bool isWritingMemories() const { return writeBack_ != nullptr; }

signals:
    // The window has closed and the port with it: the program ends.
    void unloaded();
    // What the radio said, for whoever shares it (the rigctld server): its identification
    // reply, the end of the memory read-out, each status report as decoded, and whether the
    // radio still answers (what the status line's " - pas de réponse" shows).
    void radioIdentified(const QByteArray& reply);
    void memoryReadoutEnded();
    void statusDecoded(const Reply::Status& status);
    void answeringChanged(bool answering);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Construction (PanelLayout.cpp).
    void buildDisplayFrame();
    void buildFrequencyFrame();
    void buildVcoFrame();
    void buildFunctionsFrame();
    void buildMemoryFrame();
    void buildModeFrame();
    void buildMemoryTableFrame();
    void buildStatusLine();
    void buildMemoryMenu();
    void setTabOrder();
    void connectHandlers();

    void Form_Unload();

    // Replies (ReceiveHandler.cpp).
    void Identify(const QByteArray& text);
    void ReadMemoryReply(const Reply::Memory& memory);
    void ShowMemoryRow(const Reply::Memory& memory);
    void EndMemoryReadout();
    void DecodeStatusReport(const QByteArray& text);
    void ShowFrequency(const Reply::Status& status);
    void ShowVfoOrMemory(const Reply::Status& status);
    void ShowMemoryChannel(const Reply::Status& status);
    void ShowReceiveOrTransmit(const Reply::Status& status);
    void ShowScan(const Reply::Status& status);
    void ShowMode(const Reply::Status& status);
    void AddToStatusLine(const QString& suffix);
    void RemoveFromStatusLine(const QString& suffix);
    void ShowLinkLost();
    void ShowLinkRestored();
    void ShowAnswering(bool answering);

    // Tuning (Tuning.cpp).
    void HandleStepKey(qint16& keyAscii);
    void Step(int direction);
    // Modes (ModesAndToggles.cpp).
    void SelectMode(const QString& name);
    // Memories (Memories.cpp).
    void WriteMemoryChannel(const QString& frequencyText);
    // Frequency entry (FrequencyEntry.cpp): what typed entry takes, by the radio identified.
    void AcceptEntryFor(const Radios::Radio& radio);
    // The radio identified, as memory channels read from a file must suit it.
    MemoryFile::Radio radioForMemories() const;
    // Memory files and their write-back (MemoryFiles.cpp).
    bool MayWriteMemories() const;
    void UpdateMemoryMenu();
    MemoryFile::Channels TableChannels() const;
    void StartWriteBack(const MemoryFile::Given& given);
    bool TakeWriteBackTurn();
    void ReadBackMemory(const Reply::Memory& memory);
    void ShowWriteBackProgress();
    void EndWriteBack();

    // What the captions show, read back as the handlers need it (FormControlTOVRAN.cpp).
    std::optional<char> shownVfoLetter() const;     // 'A' or 'B' for exactly "VFO A" / "VFO B"
    std::optional<int> shownMemoryChannel() const;  // n for "M." and two digits
    std::optional<qint64> shownFrequency() const;   // LabelFreq as hertz, when it is a number

    RequestChain* requests_;
    std::unique_ptr<MemoryWriteBack> writeBack_;
    QShortcut* stopWritingKey_;
    QString progressShown_;                 // the write-back's part of the status line
    const Radios::Radio* radio_ = nullptr;  // the radio identified, or the stand-in before
    // Status reports to come before one answers a request sent after the last "TX;": until
    // then the display may show receive while the radio transmits.
    int reportsBeforeKeyingShows_ = 0;
};
