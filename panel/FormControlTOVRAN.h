#pragma once

#include "MemoryFile.h"
#include "Replies.h"

#include <QWidget>

#include <optional>

class DisplayLabel;
class MemoryFilesMenu;
class MemoryGrid;
class RadioConversation;
namespace Radios {
struct Radio;
}
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

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
// The conversation with the radio (the line, the requests, the polling, the write-back's turns)
// is the RadioConversation's: the window shows what it hears and tells it what to ask next.
// The table's menu, the channels saved to a file and written back, is a MemoryFilesMenu.
class FormControlTOVRAN : public QWidget {
    Q_OBJECT

public:
    explicit FormControlTOVRAN(QWidget* parent = nullptr);
    ~FormControlTOVRAN() override;

    // Opens port 1 or 2 and starts the conversation with the radio. False when the port
    // cannot be opened; nothing has been sent then.
    bool Form_Load(int portNumber);

    RadioConversation* conversation() const { return conversation_; }
    MemoryFilesMenu* memoryFiles() const { return memoryFiles_; }

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
    // Under the status line, shown only while there is something to say about the hookup: why
    // the radio has not named itself, or the speed it was found at. The window grows to hold it.
    QLabel* LabelBranchement;

    // --- Replies from the radio (ReceiveHandler.cpp): each answers the request outstanding.
    void MSComm1_OnComm(const QByteArray& text);

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

signals:
    // The window has closed and the port with it: the program ends.
    void unloaded();
    // The TX/RX button has just put "TX;" (true) or "RX;" (false) on the line: the keying is
    // the operator's, and whoever shares the radio leaves it to the operator.
    void operatorKeyed(bool transmit);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The client area's height in twips, and what the hookup note adds under the status line:
    // two lines of the window's font.
    static constexpr int kWindowHeight = 7815;
    static constexpr int kHookupNoteHeight = 480;

    // Construction (PanelLayout.cpp).
    void buildDisplayFrame();
    void buildFrequencyFrame();
    void buildVcoFrame();
    void buildFunctionsFrame();
    void buildMemoryFrame();
    void buildModeFrame();
    void buildMemoryTableFrame();
    void buildStatusLine();
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
    void ShowHookupNote(const QString& note);
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
    void ShowWrittenBackRow(const Reply::Memory& memory);

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
    // The panel's own store and erase may write memories, and so may a file's write-back.
    bool MayWriteMemories() const;
    friend class MemoryFilesMenu;

    // What the captions show, read back as the handlers need it (FormControlTOVRAN.cpp).
    std::optional<char> shownVfoLetter() const;     // 'A' or 'B' for exactly "VFO A" / "VFO B"
    std::optional<int> shownMemoryChannel() const;  // n for "M." and two digits
    std::optional<qint64> shownFrequency() const;   // LabelFreq as hertz, when it is a number

    RadioConversation* conversation_;
    MemoryFilesMenu* memoryFiles_;
    const Radios::Radio* radio_ = nullptr;  // the radio identified, or the stand-in before
};
