#pragma once

#include <QList>
#include <QMap>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QTimer>

// One message box as the user saw it, and the button that answered it.
struct RecordedBox
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMap<QMessageBox::StandardButton, QString> buttonTexts; // as the buttons read, mnemonic marks removed
    QMessageBox::StandardButton pressed = QMessageBox::NoButton;
    QPoint position;
};

// The simulated user: watches for the client's message boxes, records each one and presses a button, the next one
// from a queue of answers or else the box's default button. The client runs its boxes with exec(), so the answerer
// works inside those nested event loops: from a timer that looks for boxes every 10 ms, or, where the user must add
// no wake-ups of its own (the benchmark measures the client's CPU time), from the boxes' show events.
class BoxAnswerer : public QObject
{
    Q_OBJECT

public:
    enum class Watch { Polling, ShowEvents };
    explicit BoxAnswerer(QObject *parent = nullptr, Watch watch = Watch::Polling);

    // The answers for the next boxes, in order; when they run out, the default button is pressed.
    void enqueue(QMessageBox::StandardButton button);
    // How long a box stays on screen before it is answered.
    void setPause(int ms) { pauseMs = ms; }
    // The button pressed where no answer is queued and the box has it; else the default button.
    void setFallbackButton(QMessageBox::StandardButton button) { fallback = button; }
    // Saves a picture of each box, and of the window behind it, into this directory ("" to stop).
    void setScreenshotDirectory(const QString &directory) { screenshotDirectory = directory; }

    const QList<RecordedBox> &boxes() const { return recorded; }

signals:
    // A box has come on screen (seen within 10 ms where the answerer polls, as it is shown where it watches show
    // events); the text is the box's.
    void shown(const QString &text);
    void answered(const RecordedBox &box);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void poll();
    void noticed(QMessageBox *box);
    void answer(QMessageBox *box);
    void saveScreenshots(QMessageBox *box);

    QTimer pollTimer;
    QList<QMessageBox::StandardButton> answers;
    QList<RecordedBox> recorded;
    QSet<QMessageBox *> pending;   // seen on screen, waiting for the pause to pass
    QSet<QMessageBox *> answered_; // answered while still on screen
    int pauseMs = 50;
    QMessageBox::StandardButton fallback = QMessageBox::NoButton;
    QString screenshotDirectory;
    int screenshotCount = 0;
};
