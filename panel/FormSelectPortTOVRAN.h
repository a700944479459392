#pragma once

#include <QDialog>

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

// The small window the program starts with: the operator picks COM1 or COM2 and confirms.
class FormSelectPortTOVRAN : public QDialog {
    Q_OBJECT

public:
    explicit FormSelectPortTOVRAN(QWidget* parent = nullptr);

    QRadioButton* OptionCom1;
    QRadioButton* OptionCom2;
    QPushButton* CommandOK;

    // The serial port chosen: 1 or 2.
    int PortNumber = 1;

signals:
    // OK: the port window is gone; the panel opens on the port chosen.
    void portChosen(int portNumber);
    // The window was closed without a choice: the program ends, no port is opened.
    void closedWithoutChoice();

private:
    void buildPortFrame();
    void buildAboutFrame();
    void Form_Load();
    void OptionCom1_Click();
    void OptionCom2_Click();
    void CommandOK_Click();

    QGroupBox* Frame1;
    QGroupBox* Frame2;
    QLabel* Picture1;
    QLabel* Text1;
    QLabel* Label1;
    QLabel* Picture2;
};
