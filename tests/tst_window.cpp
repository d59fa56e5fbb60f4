// The window's size where a half pixel rounds, the version the device panel shows, the close guard. (The panel's
// height, a seventh of the window but never less than its content: tst_screens.)

#include "app/startup.h"
#include "sim/system/scriptedsystem.h"
#include "sim/user/windowsession.h"
#include "ui/closeguard.h"
#include "ui/formdevice.h"
#include "ui/mainwindow.h"
#include "ui/windowfit.h"

#include <QScreen>
#include <QtTest>

namespace {
// A catalogue whose every text is twenty times as long as English has it.
class LongTexts : public QTranslator
{
public:
    bool isEmpty() const override { return false; }
    QString translate(const char *, const char *source, const char *, int) const override
    {
        return QString::fromUtf8(source).repeated(20);
    }
};
} // namespace

class TestWindow : public QObject
{
    Q_OBJECT

private slots:
    // Three tenths of the screen, an exact half pixel going up (409.5 and 1.5); the share itself: tst_screens.
    void windowSizeRoundsHalvesUp() { QCOMPARE(windowSizeForScreen(QSize(1365, 5)), QSize(410, 2)); }

    // However long a catalogue's texts, the window grows only as far as the screen's available area.
    void windowStaysOnTheScreen()
    {
        LongTexts longTexts;
        QCoreApplication::installTranslator(&longTexts);
        WindowSession session;
        session.windowSize = initialWindowSize();
        session.newWindow(std::make_unique<ScriptedSystem>());
        QCoreApplication::removeTranslator(&longTexts);
        const QSize available = session.window->screen()->availableSize();
        QCOMPARE(session.window->width(), available.width()); // it grew, and stopped at the screen's edge
        QVERIFY(session.window->height() <= available.height());
    }

    // A second start brings the running window to the front: out of the taskbar, above another program's window.
    void secondStartBringsTheWindowToTheFront()
    {
        WindowSession session;
        session.newWindow(std::make_unique<ScriptedSystem>());
        MainWindow &window = *session.window;
        window.showMinimized();
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QVERIFY(window.showForSecondStart());
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QVERIFY(!window.isMinimized());
    }

    // A close held during one transfer is forgotten when the guard holds again for the next, and when the window is
    // shown again after a close that went through.
    void closeGuardForgetsAHeldClose()
    {
        QWidget window;
        int held = 0;
        CloseGuard guard(
            &window, [&held] { ++held; }, [] {}, [] {});
        window.show();
        guard.setHolding(true);
        QVERIFY(!window.close());
        QVERIFY(!window.close());
        QCOMPARE(held, 1);
        guard.setHolding(false);
        QVERIFY(guard.closeWasHeld());
        guard.setHolding(true);
        QVERIFY(!guard.closeWasHeld());
        QVERIFY(!window.close());
        guard.setHolding(false);
        QVERIFY(window.close());
        window.show();
        QVERIFY(!guard.closeWasHeld());
    }

    // Builds 0.1.x show as 1.0.x, a build a release carried by that release's name, whatever this build carries.
    void displayedVersion_data()
    {
        QTest::addColumn<QString>("reported");
        QTest::addColumn<QString>("shown");
        for (const char *pair : {"0.1.153=1.0.20", "0.1.158=1.0.26", "0.1.157=1.0.157", "0.1.0=1.0.0",
                                 "0.2.158=0.2.158", "1.0.26=1.0.26", "255.255.255=255.255.255"})
            QTest::newRow(pair) << QString(pair).section('=', 0, 0) << QString(pair).section('=', 1);
    }

    void displayedVersion()
    {
        QFETCH(QString, reported);
        QFETCH(QString, shown);
        const QStringList v = reported.split('.');
        QCOMPARE(::displayedVersion(quint8(v[0].toUInt()), quint8(v[1].toUInt()), quint8(v[2].toUInt())), shown);
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
