#include "windowrun.h"

#include "app/startup.h"
#include "serial/qorvserial.h"

#include <QAccessible>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QProcess>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <QTextBrowser>
#include <QTranslator>
#include <QWindow>

StallClock::StallClock()
{
    QObject::connect(&tick, &QTimer::timeout, [this] { longestMs = std::max(longestMs, sinceTick.restart()); });
    tick.setTimerType(Qt::PreciseTimer);
    tick.start(10);
    sinceTick.start();
}

WindowRun::WindowRun()
{
    user.setPause(20);
    clock.start();
    QObject::connect(&user, &BoxAnswerer::answered, [this] { lastAnswerMs = clock.elapsed(); });
}

WindowRun::~WindowRun()
{
    endClient();
}

void WindowRun::newWindow(std::unique_ptr<SystemAccess> system)
{
    endClient();
    window = new MainWindow(nullptr, windowSizeForScreen(QSize(1920, 1080)));
    window->setSystemAccess(std::move(system));
}

RunEnd WindowRun::run()
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

void WindowRun::closeWindow()
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

bool WindowRun::endedAbout(int ms) const
{
    const qint64 after = endMs - lastAnswerMs;
    if (after >= ms - ms / 20 - 5 && after < ms + 800)
        return true;
    qWarning("ended %lld ms after the last box, expected about %d", after, ms);
    return false;
}

QStringList WindowRun::rows() const
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

QStringList WindowRun::rowsFrom(const QString &first) const
{
    const QStringList all = rows();
    const int at = all.indexOf(first);
    return at < 0 ? QStringList() : all.mid(at);
}

QStringList WindowRun::readAloud() const
{
    QStringList out;
    QAccessibleInterface *table = QAccessible::queryAccessibleInterface(window->findChild<QTableView *>());
    QAccessibleTableInterface *cells = table ? table->tableInterface() : nullptr;
    for (int row = 0; cells && row < cells->rowCount(); ++row) {
        // Column 0 of the model is the margin; the table interface counts the model's columns.
        QAccessibleInterface *cell = cells->cellAt(row, 1);
        out << (cell ? cell->text(QAccessible::Name) : QString());
    }
    return out;
}

QString WindowRun::log() const
{
    return window->findChild<QTextBrowser *>(QStringLiteral("text_browser"))->toPlainText();
}

QProgressBar *WindowRun::progress() const
{
    return window->findChild<QProgressBar *>(QStringLiteral("progressBar"));
}

QStringList WindowRun::boxTexts() const
{
    QStringList texts;
    for (const RecordedBox &b : user.boxes())
        texts << b.text;
    return texts;
}

void WindowRun::endClient()
{
    // The worker outlives its window by design, as the process that ends with them; here the run ends and the next
    // one starts, so both go.
    qorvserial *worker = window ? window->serialWorker() : nullptr;
    if (worker)
        worker->disconnectPort();
    delete window;
    window = nullptr;
    delete worker;
}

void checkHeldClose(WindowRun &run, const QStringList &boxes, int endsAfterMs)
{
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.boxTexts(), boxes);
    QVERIFY(run.endedAbout(endsAfterMs));
    QCOMPARE(run.rowsFrom("== " + texts::started).mid(0, 2),
             QStringList({"== " + texts::started, "== " + texts::closeHeld}));
    QVERIFY(!run.window->serialWorker()->isOpen());
}

void checkPromptInUsersLanguage(WindowRun &run)
{
    QTranslator client;
    QTranslator toolkit;
    installCatalogues(client, toolkit);
    run.user.enqueue(QMessageBox::Cancel);
    QCOMPARE(run.run(), RunEnd::WindowClosed);
    QCOMPARE(run.user.boxes().size(), 1);
    const RecordedBox &box = run.user.boxes()[0];
    const texts::WordedPrompt expected = texts::promptIn(QLocale::system().name());
    QCOMPARE(box.title, expected.title);
    QCOMPARE(box.text, expected.text);
    QCOMPARE(box.buttonTexts.value(QMessageBox::Ok), expected.ok);
    QCOMPARE(box.buttonTexts.value(QMessageBox::Cancel), expected.cancel);
}
