#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>

class FormControlTOVRAN;
class FormSelectPortTOVRAN;
class QKeyEvent;
class QWidget;

// What the panel gives a screen reader (Orca through AT-SPI, NVDA through UI Automation): a
// French name for every control, the display within reach of the keyboard, and the radio's
// changes raised as accessibility events, so that the reader says them as they happen. The
// captions, colours and tab order stay as the sighted operator knows them.
class PanelSpeech : public QObject {
    Q_OBJECT

public:
    // Tuning with the radio's knob, or a scan, moves the frequency with every report: the
    // reader says where it stops, once it has stood this long.
    static constexpr std::chrono::milliseconds kFrequencySettles{300};

    explicit PanelSpeech(FormControlTOVRAN* form);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void nameControls();
    void makeDisplayReachable();
    void followDisplay();
    void followStatusLine();
    void speakFrequency();
    void speakStatusLine();
    // The field's name has changed: the reader says it, once.
    void speak(QWidget* field, const QString& words);
    bool moveThroughDisplay(QWidget* field, int key);
    QWidget* nextInDisplay(QWidget* field, int direction) const;
    bool stepFromDisplay(const QKeyEvent* key);

    FormControlTOVRAN* form_;
    QWidget* announcer_;
    QList<QWidget*> displayOrder_;  // the display fields, the status line and its note, in order
    QTimer frequencySettles_;
    QString frequencySpoken_;
    bool noReplyShown_ = false;
    bool linkLostShown_ = false;
};

// The port window's names: the two ports, OK, and the pictures.
void namePortWindow(FormSelectPortTOVRAN& window);
