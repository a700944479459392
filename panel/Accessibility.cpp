// The panel for a screen reader. Qt publishes every widget to the platform's accessibility
// interface by itself; what it needs from the panel is the names a listener understands, a way
// to the display from the keyboard, and a word when the radio changes what the display shows.

#include "Accessibility.h"

#include "DisplayLabel.h"
#include "FormControlTOVRAN.h"
#include "FormSelectPortTOVRAN.h"
#include "KeyCodes.h"
#include "MemoryGrid.h"
#include "RadioConversation.h"
#include "SpokenText.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>

namespace {

using SpokenAs = QString (*)(const QString& caption);

// A control whose name follows its caption, in words: the display fields, the status line and
// the three buttons whose caption is a state ("5 Khz", "TX", "SCAN").
class SpokenControl : public QAccessibleWidget {
public:
    SpokenControl(QWidget* widget, QAccessible::Role role, SpokenAs words)
        : QAccessibleWidget(widget, role), words_(words) {}

    QString text(QAccessible::Text kind) const override {
        if (kind != QAccessible::Name || words_ == nullptr)
            return QAccessibleWidget::text(kind);
        if (const auto* button = qobject_cast<const QAbstractButton*>(widget()))
            return words_(button->text());
        if (const auto* label = qobject_cast<const QLabel*>(widget()))
            return words_(label->text());
        return QAccessibleWidget::text(kind);
    }

    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        if (button() != nullptr)
            names.prepend(pressAction());
        return names;
    }

    void doAction(const QString& action) override {
        if (action == pressAction() && button() != nullptr) {
            if (button()->isEnabled())
                button()->click();
            return;
        }
        QAccessibleWidget::doAction(action);
    }

private:
    QAbstractButton* button() const { return qobject_cast<QAbstractButton*>(widget()); }

    SpokenAs words_;
};

struct Spoken {
    QAccessible::Role role;
    SpokenAs words;
};

QHash<const QObject*, Spoken>& spokenControls() {
    static QHash<const QObject*, Spoken> controls;
    return controls;
}

QAccessibleInterface* spokenControlFactory(const QString&, QObject* object) {
    const auto found = spokenControls().constFind(object);
    if (found == spokenControls().constEnd())
        return nullptr;
    return new SpokenControl(static_cast<QWidget*>(object), found->role, found->words);
}

// Gives the control its spoken name. Qt may have made the control's interface already, when
// the control was built: that one goes, and the next look-up makes ours.
void speakAs(QWidget* control, QAccessible::Role role, SpokenAs words) {
    static const bool installed = [] {
        QAccessible::installFactory(spokenControlFactory);
        return true;
    }();
    Q_UNUSED(installed);
    spokenControls().insert(control, {role, words});
    QObject::connect(control, &QObject::destroyed, [control] { spokenControls().remove(control); });
    if (QAccessibleInterface* made = QAccessible::queryAccessibleInterface(control))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

// Where the panel's own words come from for a change that the operator's focus is not on:
// an empty notification that shows for a moment, which Orca reads out. It takes no room.
class Announcer : public QWidget {
public:
    explicit Announcer(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        setGeometry(0, 0, 0, 0);
        hide();
        speakAs(this, QAccessible::Notification, nullptr);
    }

    void announce(const QString& words) {
        setAccessibleName(words);
        hide();
        show();
    }
};

const QString kNoReply = QStringLiteral(" - pas de réponse");
const QString kLinkLost = QStringLiteral(" - liaison perdue");

}  // namespace

PanelSpeech::PanelSpeech(FormControlTOVRAN* form)
    : QObject(form), form_(form), announcer_(new Announcer(form)) {
    frequencySettles_.setSingleShot(true);
    frequencySettles_.setInterval(kFrequencySettles);
    nameControls();
    makeDisplayReachable();
    followDisplay();
    followStatusLine();
}

void PanelSpeech::nameControls() {
    FormControlTOVRAN& f = *form_;
    speakAs(form_, QAccessible::Window, nullptr);  // a window, not a bare area, to the reader
    f.setAccessibleDescription(
        QStringLiteral("F2 : lire l'affichage, puis les flèches d'un champ à l'autre ; "
                       "Échap : retour aux boutons"));
    const QList<std::pair<QWidget*, const char*>> names = {
        {f.FrameAffichage, "Affichage"},
        {f.Label1, "Fond de l'affichage"},
        {f.FrameFrequence, "Fréquence"},
        {f.TextFreq, "Fréquence à saisir, en hertz"},
        {f.FrameVCO, "VCO"},
        {f.CommandDown, "Descendre d'un pas"},
        {f.CommandUp, "Monter d'un pas"},
        {f.CommandVFOAouB, "VFO A ou B"},
        {f.FrameFonctions, "Fonctions"},
        {f.FrameMemoire, "Mémoire"},
        {f.CommandMemVfo, "Passer en mémoire"},
        {f.CommandMemIn, "Mémoriser la fréquence"},
        {f.CommandEffaceMem, "Effacer la mémoire"},
        {f.FrameMode, "Modes"},
        {f.CommandLSB, "Mode LSB"},
        {f.CommandUSB, "Mode USB"},
        {f.CommandCW, "Mode CW"},
        {f.CommandAM, "Mode AM"},
        {f.CommandFM, "Mode FM"},
        {f.CommandFSK, "Mode FSK"},
        {f.FrameGridMemoire, "Mémoires"},
        {f.GridMemoire, "Mémoires"},
    };
    for (const auto& [control, name] : names) control->setAccessibleName(QString::fromUtf8(name));

    // The display labels keep a name of their own, so that Qt does not raise a name change at
    // every caption: the frequency is said once it has settled.
    const QList<std::pair<DisplayLabel*, const char*>> fields = {{f.LabelEtatScan, "Balayage"},
                                                                 {f.LabelVFO, "VFO ou mémoire"},
                                                                 {f.LabelFreq, "Fréquence"},
                                                                 {f.LabelRxTx, "Transmission"},
                                                                 {f.LabelMode, "Mode"}};
    for (const auto& [field, name] : fields) field->setAccessibleName(QString::fromUtf8(name));

    speakAs(f.CommandProgressionPas, QAccessible::Button, SpokenText::step);
    speakAs(f.CommandRxTx, QAccessible::Button, SpokenText::transmitButton);
    speakAs(f.CommandScan, QAccessible::Button, SpokenText::scanButton);
    speakAs(f.LabelEtatScan, QAccessible::StaticText, SpokenText::scanState);
    speakAs(f.LabelVFO, QAccessible::StaticText, SpokenText::vfoOrMemory);
    speakAs(f.LabelFreq, QAccessible::StaticText, SpokenText::frequency);
    speakAs(f.LabelRxTx, QAccessible::StaticText, SpokenText::receiveOrTransmit);
    speakAs(f.LabelMode, QAccessible::StaticText, SpokenText::mode);
    speakAs(f.StatusBarTovran, QAccessible::StatusBar, SpokenText::statusLine);
}

// The display and the status line take the focus on F2 or a click, never on Tab: the tab
// order stays that of the buttons. The arrows go from field to field, Escape back to the
// buttons, "+" and "-" tune; Enter presses a button as Space does.
void PanelSpeech::makeDisplayReachable() {
    FormControlTOVRAN& f = *form_;
    displayOrder_ = {f.LabelEtatScan, f.LabelVFO,        f.LabelFreq,       f.LabelRxTx,
                     f.LabelMode,     f.StatusBarTovran, f.LabelBranchement};
    for (QWidget* field : displayOrder_) {
        field->setFocusPolicy(Qt::ClickFocus);
        field->installEventFilter(this);
    }
    for (QPushButton* button : f.findChildren<QPushButton*>()) button->installEventFilter(this);
    auto* readDisplay = new QShortcut(QKeySequence(Qt::Key_F2), form_);
    connect(readDisplay, &QShortcut::activated, this,
            [this] { form_->LabelFreq->setFocus(Qt::ShortcutFocusReason); });
}

bool PanelSpeech::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (auto* button = qobject_cast<QPushButton*>(watched)) {
        if (key != Qt::Key_Return && key != Qt::Key_Enter)
            return false;
        button->click();
        return true;
    }
    return stepFromDisplay(static_cast<QKeyEvent*>(event)) ||
           moveThroughDisplay(static_cast<QWidget*>(watched), key);
}

// The hookup note is there only while the radio has not named itself.
QWidget* PanelSpeech::nextInDisplay(QWidget* field, int direction) const {
    const qsizetype count = displayOrder_.size();
    qsizetype place = displayOrder_.indexOf(field);
    do {
        place = (place + count + direction) % count;
    } while (displayOrder_[place]->isHidden());
    return displayOrder_[place];
}

// "+" and "-" tune from the display as from the VFO and step buttons: the focus goes to the
// button of that direction, which takes the key.
bool PanelSpeech::stepFromDisplay(const QKeyEvent* key) {
    const qint16 code = characterCode(key);
    QPushButton* towards = code == KeyCode::kPlus    ? form_->CommandUp
                           : code == KeyCode::kMinus ? form_->CommandDown
                                                     : nullptr;
    if (towards == nullptr || !towards->isEnabled())
        return false;
    towards->setFocus(Qt::OtherFocusReason);
    QKeyEvent again(key->type(), key->key(), key->modifiers(), key->text());
    QCoreApplication::sendEvent(towards, &again);
    return true;
}

bool PanelSpeech::moveThroughDisplay(QWidget* field, int key) {
    switch (key) {
        case Qt::Key_Left:
        case Qt::Key_Up:
            nextInDisplay(field, -1)->setFocus(Qt::OtherFocusReason);
            return true;
        case Qt::Key_Right:
        case Qt::Key_Down:
            nextInDisplay(field, +1)->setFocus(Qt::OtherFocusReason);
            return true;
        case Qt::Key_Escape:
            form_->CommandUp->setFocus(Qt::OtherFocusReason);
            return true;
        default:
            return false;
    }
}

void PanelSpeech::followDisplay() {
    FormControlTOVRAN& f = *form_;
    for (DisplayLabel* field : {f.LabelEtatScan, f.LabelVFO, f.LabelRxTx, f.LabelMode}) {
        connect(field, &DisplayLabel::captionChanged, this, [this, field] {
            speak(field, QAccessible::queryAccessibleInterface(field)->text(QAccessible::Name));
        });
    }
    connect(f.LabelFreq, &DisplayLabel::captionChanged, &frequencySettles_,
            qOverload<>(&QTimer::start));
    connect(&frequencySettles_, &QTimer::timeout, this, &PanelSpeech::speakFrequency);
}

void PanelSpeech::speakFrequency() {
    const QString words =
        QAccessible::queryAccessibleInterface(form_->LabelFreq)->text(QAccessible::Name);
    if (words == frequencySpoken_)
        return;  // back where it stood before the knob moved
    frequencySpoken_ = words;
    speak(form_->LabelFreq, words);
}

// The status line's text changes with the radio's answers and the line's state; the listener
// hears when the radio stops or starts answering and when the line goes or comes back.
void PanelSpeech::followStatusLine() {
    // The window has written the status line by then: it heard these first.
    const RadioConversation* conversation = form_->conversation();
    connect(conversation, &RadioConversation::answeringChanged, this,
            &PanelSpeech::speakStatusLine);
    connect(conversation, &RadioConversation::linkLost, this, &PanelSpeech::speakStatusLine);
    connect(conversation, &RadioConversation::linkRestored, this, &PanelSpeech::speakStatusLine);
    connect(conversation, &RadioConversation::hookupNote, this, [this](const QString& note) {
        if (!note.isEmpty())
            speak(form_->LabelBranchement, note);
    });
}

void PanelSpeech::speakStatusLine() {
    const QString text = form_->StatusBarTovran->text();
    const bool noReply = text.contains(kNoReply);
    const bool linkLost = text.contains(kLinkLost);
    QString words;
    if (linkLost != linkLostShown_)
        words = linkLost ? QStringLiteral("Liaison perdue") : QStringLiteral("Liaison rétablie");
    else if (noReply != noReplyShown_)
        words =
            noReply ? QStringLiteral("La radio ne répond pas") : QStringLiteral("La radio répond");
    noReplyShown_ = noReply;
    linkLostShown_ = linkLost;
    if (!words.isEmpty())
        speak(form_->StatusBarTovran, words);
}

// The field's own name-change event is for a reader that follows the focus. Orca says it for
// the status line that has the focus, but never for a label, which it takes for the desktop's
// chatter: for the display, and for whatever the focus is not on, the announcer speaks.
void PanelSpeech::speak(QWidget* field, const QString& words) {
    if (!QAccessible::isActive())
        return;  // no reader listens
    QAccessibleEvent changed(field, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
    const bool saysItself = field->hasFocus() && field == form_->StatusBarTovran;
    if (!saysItself)
        static_cast<Announcer*>(announcer_)->announce(words);
}

void namePortWindow(FormSelectPortTOVRAN& window) {
    window.setAccessibleDescription(QStringLiteral("Choix du port série de la radio"));
    window.OptionCom1->setAccessibleName(QStringLiteral("Port série Com 1"));
    window.OptionCom2->setAccessibleName(QStringLiteral("Port série Com 2"));
    window.CommandOK->setAccessibleName(QStringLiteral("OK : ouvrir le panneau"));
    const QList<QGroupBox*> frames = window.findChildren<QGroupBox*>();
    for (QGroupBox* frame : frames)
        frame->setAccessibleName(frame->title().isEmpty() ? QStringLiteral("À propos")
                                                          : QStringLiteral("Ports"));
    for (QLabel* picture : window.findChildren<QLabel*>()) {
        if (!picture->pixmap().isNull())
            picture->setAccessibleName(QStringLiteral("Image de T.O.V.R.A.N"));
    }
}
