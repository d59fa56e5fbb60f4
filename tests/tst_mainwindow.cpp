// The window as built and sized. (Its log-line replacement and its event-processing wait show in every whole run: the
// driver steps' log lines, the status polls' and retries' spacing, the endings' delays.)

#include "app/startup.h"
#include "sim/scriptedsystem.h"
#include "ui/mainwindow.h"

#include <QProgressBar>
#include <QTextBrowser>
#include <QtTest>

class TestMainWindow : public QObject
{
    Q_OBJECT

    MainWindow *window = nullptr;
    QTextBrowser *log() const { return window->findChild<QTextBrowser *>(QStringLiteral("text_browser")); }

private slots:
    // The run starts by itself 1.5 s after construction; no case here waits that long before the window goes.
    void init()
    {
        window = new MainWindow(nullptr, windowSizeForScreen(QSize(1920, 1080)));
        window->setSystemAccess(std::make_unique<ScriptedSystem>());
    }

    void cleanup() { delete window; }

    // Three tenths of the screen, halves rounded up.
    void windowSize_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QSize>("window");
        QTest::newRow("1920x1080") << QSize(1920, 1080) << QSize(576, 324);
        QTest::newRow("1366x768 rounds 409.8 up and 230.4 down") << QSize(1366, 768) << QSize(410, 230);
        QTest::newRow("exact half goes up") << QSize(5, 15) << QSize(2, 5);
    }

    void windowSize()
    {
        QFETCH(QSize, screen);
        QFETCH(QSize, window);
        QCOMPARE(windowSizeForScreen(screen), window);
    }

    void asBuilt()
    {
        window->show();
        QCOMPARE(window->size(), QSize(576, 324));
        QCOMPARE(window->maximumSize(), window->minimumSize());
        QCOMPARE(window->windowTitle(), QStringLiteral("ORVAN Kivra Zid update client v 1.0.26"));
        QVERIFY(log()->isHidden()); // its first step row and log line are read in every whole run
        QVERIFY(window->findChild<QProgressBar *>()->isHidden());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
