#pragma once

// One whole run of the client's window as a user would have it: offscreen, the boxes answered by the simulated user,
// and the application's event loop running until the client ends the run itself (window closed, or application
// quit) or a watchdog gives up. Where the device and the system come from is the caller's (clientrun.h on Linux, the
// real Windows layers in tests/windows).

#include "app/startup.h"
#include "driver/systemaccess.h"
#include "serial/qorvserial.h"
#include "sim/user/boxanswerer.h"
#include "texts.h"
#include "ui/mainwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QTranslator>
#include <QWindow>

#include <memory>

enum class RunEnd { WindowClosed, ApplicationQuit, Watchdog };

// The longest time the GUI thread went without processing events while the clock lived, seen by a timer that asks
// to run every 10 ms (it runs only when the thread processes events, in nested waits too).
class StallClock
{
public:
    StallClock()
    {
        QObject::connect(&tick, &QTimer::timeout, [this] { longestMs = std::max(longestMs, sinceTick.restart()); });
        tick.setTimerType(Qt::PreciseTimer);
        tick.start(10);
        sinceTick.start();
    }
    qint64 longest() const { return longestMs; }

private:
    QTimer tick;
    QElapsedTimer sinceTick;
    qint64 longestMs = 0;
};

class WindowRun
{
public:
    WindowRun()
    {
        user.setPause(20);
        clock.start();
        QObject::connect(&user, &BoxAnswerer::answered, [this] { lastAnswerMs = clock.elapsed(); });
    }
    virtual ~WindowRun() { endClient(); }
    WindowRun(const WindowRun &) = delete;
    WindowRun &operator=(const WindowRun &) = delete;

    // A new client, as a user starting the program again, on the given system layer.
    void newWindow(std::unique_ptr<SystemAccess> system)
    {
        endClient();
        window = new MainWindow(nullptr, windowSizeForScreen(QSize(1920, 1080)));
        window->setSystemAccess(std::move(system));
    }

    // Runs the client from its start until it ends the run; returns how it ended.
    RunEnd run()
    {
        bool closed = false;
        const auto closing = QObject::connect(qApp, &QGuiApplication::lastWindowClosed, [&closed] { closed = true; });
        QTimer watchdog; // of this call, so that it cannot fire into a later run
        QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(2); });
        watchdog.start(60000);
        window->show();
        const StallClock stalls;
        exitCode = QApplication::exec();
        endMs = clock.elapsed();
        QObject::disconnect(closing);
        // A blocking wait freezes the window; shorter gaps are the machine's noise, so the bound cannot flake.
        qInfo("longest time without processing events: %lld ms", stalls.longest());
        QTest::qVerify(stalls.longest() < 1000, "stalls.longest() < 1000", "the window froze", __FILE__, __LINE__);
        const int code = exitCode;
        return code == 2 ? RunEnd::Watchdog : closed ? RunEnd::WindowClosed : RunEnd::ApplicationQuit;
    }

    // Closes the window as the user's close button does: on Windows the WM_CLOSE that "taskkill" (without /F) posts
    // to the program's windows; elsewhere the close event the window system hands the window, which a window
    // blocked by a modal box does not get.
    void closeWindow()
    {
        closeRequestedMs = clock.elapsed();
#ifdef Q_OS_WIN
        QProcess::startDetached(QStringLiteral("taskkill"),
                                {QStringLiteral("/IM"), QFileInfo(QCoreApplication::applicationFilePath()).fileName()});
#else
        if (QApplication::activeModalWidget() == nullptr)
            QCoreApplication::postEvent(window->windowHandle(), new QCloseEvent);
#endif
    }

    // Whether the run ended about `ms` after the last box was answered: no sooner, and not much later (timers of two
    // seconds and more may fire 5 % early).
    bool endedAbout(int ms) const
    {
        const qint64 after = endMs - lastAnswerMs;
        if (after >= ms - ms / 20 - 5 && after < ms + 800)
            return true;
        qWarning("ended %lld ms after the last box, expected about %d", after, ms);
        return false;
    }

    // The step table as the user reads it: "step | result | icon" (icon "ok", "fail" or ""), "== line" for a line
    // across both columns, and "[panel HW SKU FW]" for the device panel as it reads.
    QStringList rows() const
    {
        const auto *table = window->findChild<QTableView *>();
        const auto *model = qobject_cast<QStandardItemModel *>(table->model());
        const auto text = [model](int row, int column) {
            return model->item(row, column) ? model->item(row, column)->text() : QString();
        };
        QStringList out;
        for (int row = 0; row < model->rowCount(); ++row) {
            QString icon;
            const QImage shown = model->item(row, 1) ? model->item(row, 1)->icon().pixmap(16).toImage() : QImage();
            for (const char *name : {"ok", "fail"}) {
                if (!shown.isNull() &&
                    shown == QIcon(QStringLiteral(":/image/image/%1.png").arg(name)).pixmap(16).toImage())
                    icon = QLatin1String(name);
            }
            if (const QWidget *panel = table->indexWidget(model->index(row, 1))) {
                QStringList labels;
                for (const char *name : {"hw", "sku", "fw"})
                    labels << panel->findChild<QLabel *>(QLatin1String(name))->text();
                out << QStringLiteral("[panel %1]").arg(labels.join(' '));
            } else if (table->columnSpan(row, 1) == 2)
                out << QStringLiteral("== ") + text(row, 1);
            else
                out << text(row, 1) + QStringLiteral(" | ") + text(row, 2) + QStringLiteral(" | ") + icon;
        }
        return out;
    }
    QString log() const
    {
        return window->findChild<QTextBrowser *>(QStringLiteral("text_browser"))->toPlainText();
    }
    QProgressBar *progress() const
    {
        return window->findChild<QProgressBar *>(QStringLiteral("progressBar"));
    }
    QStringList boxTexts() const
    {
        QStringList texts;
        for (const RecordedBox &b : user.boxes())
            texts << b.text;
        return texts;
    }

    // The worker outlives its window by design; its port is let go here, as the ending process would.
    void endClient()
    {
        if (window)
            window->serialWorker()->disconnectPort();
        delete window;
        window = nullptr;
    }

    BoxAnswerer user;
    MainWindow *window = nullptr;
    QElapsedTimer clock;
    qint64 lastAnswerMs = -1;
    qint64 endMs = -1;
    qint64 closeRequestedMs = -1;
    int exitCode = -1;
};

// A close held during the transfer: the run went on to its outcome box, the close was acknowledged below the
// update's line, and the client ended within two seconds of the box, without a second search, its port let go.
inline void checkHeldClose(WindowRun &run, const QString &outcome)
{
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.boxTexts(), QStringList({texts::connectPrompt, texts::ready, outcome}));
    QVERIFY2(run.endMs - run.lastAnswerMs < 2000, qPrintable(QString::number(run.endMs - run.lastAnswerMs)));
    QCOMPARE(run.rows().mid(4, 2), QStringList({"== " + texts::started, "== " + texts::closeHeld}));
    QVERIFY(!run.window->serialWorker()->isOpen());
}

// The first prompt's Cancel button as worded in a run started in the system locale's language, the catalogues
// installed as the client's start-up installs them; the user cancels there.
inline QString cancelAsWorded(WindowRun &run)
{
    QTranslator client;
    QTranslator toolkit;
    installCatalogues(client, toolkit);
    run.user.enqueue(QMessageBox::Cancel);
    if (run.run() != RunEnd::WindowClosed || run.user.boxes().size() != 1)
        return QStringLiteral("<the run did not end at its first prompt>");
    return run.user.boxes()[0].buttonTexts.value(QMessageBox::Cancel);
}

template <typename T> QList<T> times(int n, const T &value)
{
    return QVector<T>(n, value).toList();
}

inline QString row(const QString &step, const QString &result = {}, const char *icon = "")
{
    return step + QStringLiteral(" | ") + result + QStringLiteral(" | ") + QLatin1String(icon);
}

// What a user sees of the common runs, as rows() and boxTexts() give it.
namespace seen {
const QString driverRow = row(texts::driverSearch, texts::driverFound, "ok");
const QString foundRow = row(texts::searching, texts::found, "ok");
const QString notFoundRow = row(texts::searching, texts::notFound, "fail");
const QStringList updateBoxes{texts::connectPrompt, texts::ready, texts::success, texts::upToDate};
// The requests of a whole update of the device one version behind, in order: the search, the switch to update mode
// and one restart poll, the 336 pages, the finish, the switch back, and the second search.
const QList<quint8> updateRequests =
    QList<quint8>{0x08, 0x02, 0x08, 0x03, 0x08} + times<quint8>(336, 0x09) + QList<quint8>{0x1B, 0x03, 0x08, 0x02};
// The device one version behind: found, updated, found again up to date, and the closing row.
const QStringList wholeUpdateRows{driverRow,
                                  foundRow,
                                  "[panel KTL407.001 60318 1.0.157]",
                                  row({}),
                                  "== " + texts::started,
                                  foundRow,
                                  "[panel KTL407.001 60318 1.0.26]",
                                  row({}),
                                  "== " + texts::upToDate,
                                  row(texts::shuttingDown)};
} // namespace seen
