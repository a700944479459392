#include "FormControlTOVRAN.h"

#include "Accessibility.h"
#include "Commands.h"
#include "DisplayLabel.h"
#include "FrequencyText.h"
#include "KeyCodes.h"
#include "MemoryFilesMenu.h"
#include "MemoryGrid.h"
#include "ProgramLook.h"
#include "ProgramWide.h"
#include "RadioConversation.h"
#include "Version.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

FormControlTOVRAN::FormControlTOVRAN(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      conversation_(new RadioConversation(this)) {
    setWindowTitle(QStringLiteral(" TOVRAN " TOVRAN_VERSION_TEXT " Beta"));
    setWindowIcon(programIcon());
    setFixedSize(twips(0, 0, 6255, kWindowHeight).size());

    buildDisplayFrame();
    buildFrequencyFrame();
    buildVcoFrame();
    buildFunctionsFrame();
    buildMemoryFrame();
    buildModeFrame();
    buildMemoryTableFrame();
    buildStatusLine();
    memoryFiles_ = new MemoryFilesMenu(*this, *conversation_);
    setTabOrder();
    connectHandlers();
    new PanelSpeech(this);
    centreOnScreen(this);
}

FormControlTOVRAN::~FormControlTOVRAN() = default;

bool FormControlTOVRAN::Form_Load(int portNumber) {
    if (!conversation_->open(portNumber))
        return false;
    VfoCommand = Command::selectVfoA();
    StorePending = false;
    conversation_->start();
    return true;
}

void FormControlTOVRAN::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
    emit unloaded();
}

// The conversation puts a radio left transmitting back to receive before the port closes.
void FormControlTOVRAN::Form_Unload() {
    conversation_->close();
}

bool FormControlTOVRAN::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && watched == TextFreq) {
        // The box's own context menu (to paste) and a switch to another program leave the
        // typing where it was; only a move to another control of the panel discards it.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            TextFreq_LostFocus();
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    qint16 keyAscii = characterCode(static_cast<QKeyEvent*>(event));
    if (keyAscii == 0)
        return false;
    if (watched == TextFreq)
        TextFreq_KeyPress(keyAscii);
    else if (watched == CommandUp)
        CommandUp_KeyPress(keyAscii);
    else if (watched == CommandDown)
        CommandDown_KeyPress(keyAscii);
    else if (watched == CommandVFOAouB)
        CommandVFOAouB_KeyPress(keyAscii);
    else if (watched == CommandProgressionPas)
        CommandProgressionPas_KeyPress(keyAscii);
    return keyAscii == 0;  // a handler that zeroed the code swallowed the key
}

std::optional<char> FormControlTOVRAN::shownVfoLetter() const {
    const QString caption = LabelVFO->text();
    if (caption == QLatin1String("VFO A"))
        return 'A';
    if (caption == QLatin1String("VFO B"))
        return 'B';
    return std::nullopt;
}

std::optional<int> FormControlTOVRAN::shownMemoryChannel() const {
    const QString caption = LabelVFO->text();
    if (caption.size() != 4 || !caption.startsWith(QLatin1String("M.")) || !caption[2].isDigit() ||
        !caption[3].isDigit())
        return std::nullopt;
    return caption.mid(2).toInt();
}

std::optional<qint64> FormControlTOVRAN::shownFrequency() const {
    return FrequencyText::read(LabelFreq->text());
}

void FormControlTOVRAN::connectHandlers() {
    connect(conversation_, &RadioConversation::replyReceived, this,
            &FormControlTOVRAN::MSComm1_OnComm);
    connect(conversation_, &RadioConversation::linkLost, this, &FormControlTOVRAN::ShowLinkLost);
    connect(conversation_, &RadioConversation::linkRestored, this,
            &FormControlTOVRAN::ShowLinkRestored);
    connect(conversation_, &RadioConversation::answeringChanged, this,
            &FormControlTOVRAN::ShowAnswering);
    connect(conversation_, &RadioConversation::memoryWrittenBack, this,
            &FormControlTOVRAN::ShowWrittenBackRow);
    connect(conversation_, &RadioConversation::hookupNote, this,
            &FormControlTOVRAN::ShowHookupNote);

    const auto onClick = [this](QPushButton* command, void (FormControlTOVRAN::*handler)()) {
        connect(command, &QPushButton::clicked, this, handler);
    };
    onClick(CommandProgressionPas, &FormControlTOVRAN::CommandProgressionPas_Click);
    onClick(CommandUp, &FormControlTOVRAN::CommandUp_Click);
    onClick(CommandDown, &FormControlTOVRAN::CommandDown_Click);
    onClick(CommandVFOAouB, &FormControlTOVRAN::CommandVFOAouB_Click);
    onClick(CommandLSB, &FormControlTOVRAN::CommandLSB_Click);
    onClick(CommandUSB, &FormControlTOVRAN::CommandUSB_Click);
    onClick(CommandCW, &FormControlTOVRAN::CommandCW_Click);
    onClick(CommandFM, &FormControlTOVRAN::CommandFM_Click);
    onClick(CommandAM, &FormControlTOVRAN::CommandAM_Click);
    onClick(CommandFSK, &FormControlTOVRAN::CommandFSK_Click);
    onClick(CommandRxTx, &FormControlTOVRAN::CommandRxTx_Click);
    onClick(CommandScan, &FormControlTOVRAN::CommandScan_Click);
    onClick(CommandMemVfo, &FormControlTOVRAN::CommandMemVfo_Click);
    onClick(CommandMemIn, &FormControlTOVRAN::CommandMemIn_Click);
    onClick(CommandEffaceMem, &FormControlTOVRAN::CommandEffaceMem_Click);

    connect(TextFreq, &QLineEdit::textChanged, this, &FormControlTOVRAN::TextFreq_Change);
    connect(GridMemoire, &MemoryGrid::dblClick, this, &FormControlTOVRAN::GridMemoire_DblClick);
    connect(GridMemoire, &MemoryGrid::keyPress, this, &FormControlTOVRAN::GridMemoire_KeyPress);
    for (QWidget* watched :
         {static_cast<QWidget*>(TextFreq), static_cast<QWidget*>(CommandUp),
          static_cast<QWidget*>(CommandDown), static_cast<QWidget*>(CommandVFOAouB),
          static_cast<QWidget*>(CommandProgressionPas)})
        watched->installEventFilter(this);
}
