#pragma once

// One whole run of the client, as a user would have it: the window offscreen, the worker pointed at the simulated
// device on a pty, the boxes answered by the simulated user, and the application's event loop running until the
// client ends the run itself (window closed, or application quit) or a watchdog gives up.

#include "app/startup.h"
#include "serial/qorvserial.h"
#include "sim/boxanswerer.h"
#include "sim/devicesimulator.h"
#include "sim/scriptedsystem.h"
#include "ui/mainwindow.h"

#include <QApplication>
#include <QIcon>
#include <QProgressBar>
#include <QStandardItemModel>
#include <QTableView>
#include <QTextBrowser>
#include <QTimer>

enum class RunEnd { WindowClosed, ApplicationQuit, Watchdog };

class ClientRun
{
public:
    explicit ClientRun(const SimulatorConfig &config = SimulatorConfig(), bool deviceConnected = true,
                       const QList<bool> &driverPresent = {true}, const QList<bool> &installerRunning = {false})
        : simulator(config)
    {
        simulator.openPty();
        portPath = deviceConnected ? simulator.portPath() : QString();
        user.setPause(20);
        clock.start();
        QObject::connect(&user, &BoxAnswerer::answered, [this] { lastAnswerMs = clock.elapsed(); });
        startClient(driverPresent, installerRunning);
    }

    ~ClientRun() { delete window; }

    // A new client process, as a user starting the program again with the same device attached.
    void startClient(const QList<bool> &driverPresent = {true}, const QList<bool> &installerRunning = {false})
    {
        // The worker outlives its window by design; the port is released here as the ending process would release it.
        if (window)
            window->serialWorker()->disconnectPort();
        delete window;
        window = new MainWindow(nullptr, windowSizeForScreen(QSize(1920, 1080)));
        auto scripted = std::make_unique<ScriptedSystem>(driverPresent, installerRunning);
        system = scripted.get();
        window->setSystemAccess(std::move(scripted));
        const QString path = portPath;
        window->serialWorker()->setPortLister([path] {
            QList<PortListing> ports{{QStringLiteral("ttyS0"), false, 0, false, 0}};
            if (!path.isEmpty())
                ports.append(cp210x::port(path));
            return ports;
        });
    }

    // Runs the client from its start until it ends the run; returns how it ended.
    RunEnd run(int watchdogMs = 60000)
    {
        bool closed = false;
        bool watchdog = false;
        const auto closedConnection =
            QObject::connect(qApp, &QGuiApplication::lastWindowClosed, [&closed] { closed = true; });
        // A timer object of this call, so that it cannot fire into a later run.
        QTimer watchdogTimer;
        watchdogTimer.setSingleShot(true);
        QObject::connect(&watchdogTimer, &QTimer::timeout, [&watchdog] {
            watchdog = true;
            QCoreApplication::exit(2);
        });
        watchdogTimer.start(watchdogMs);
        window->show();
        QApplication::exec();
        endMs = clock.elapsed();
        QObject::disconnect(closedConnection);
        if (watchdog)
            return RunEnd::Watchdog;
        return closed ? RunEnd::WindowClosed : RunEnd::ApplicationQuit;
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

    QTableView *table() const { return window->findChild<QTableView *>(QStringLiteral("tableView")); }
    QStandardItemModel *model() const { return qobject_cast<QStandardItemModel *>(table()->model()); }
    QString cell(int row, int column) const
    {
        const QStandardItem *item = model()->item(row, column);
        return item ? item->text() : QString();
    }
    // "ok", "fail" or "" for the status icon of a row.
    QString icon(int row) const
    {
        const QStandardItem *item = model()->item(row, 1);
        if (!item || item->icon().isNull())
            return {};
        const QImage image = item->icon().pixmap(16).toImage();
        for (const char *name : {"ok", "fail"}) {
            if (image == QIcon(QStringLiteral(":/image/image/%1.png").arg(name)).pixmap(16).toImage())
                return QLatin1String(name);
        }
        return QStringLiteral("other");
    }
    // The step table as the user reads it: "step | result | icon", "== line" for a line across both columns, and
    // "[panel]" for the device panel.
    QStringList rows() const
    {
        QStringList out;
        for (int row = 0; row < model()->rowCount(); ++row) {
            if (table()->indexWidget(model()->index(row, 1)))
                out << QStringLiteral("[panel]");
            else if (table()->columnSpan(row, 1) == 2)
                out << QStringLiteral("== ") + cell(row, 1);
            else
                out << cell(row, 1) + QStringLiteral(" | ") + cell(row, 2) + QStringLiteral(" | ") + icon(row);
        }
        return out;
    }
    QString log() const { return window->findChild<QTextBrowser *>(QStringLiteral("text_browser"))->toPlainText(); }
    QProgressBar *progress() const { return window->findChild<QProgressBar *>(QStringLiteral("progressBar")); }
    QList<quint8> requestCodes() const
    {
        QList<quint8> codes;
        for (const RequestTrace &r : simulator.trace())
            codes.append(r.command);
        return codes;
    }
    int count(quint8 code) const { return int(requestCodes().count(code)); }
    QStringList boxTexts() const
    {
        QStringList texts;
        for (const RecordedBox &b : user.boxes())
            texts.append(b.text);
        return texts;
    }

    DeviceSimulator simulator;
    BoxAnswerer user;
    MainWindow *window = nullptr;
    ScriptedSystem *system = nullptr;
    QString portPath;
    QElapsedTimer clock;
    qint64 lastAnswerMs = -1;
    qint64 endMs = -1;
};

template <typename T> QList<T> times(int n, const T &value)
{
    return QVector<T>(n, value).toList();
}

inline QString row(const QString &step, const QString &result = {}, const char *icon = "")
{
    return step + QStringLiteral(" | ") + result + QStringLiteral(" | ") + QLatin1String(icon);
}

// The user-visible texts, in the source language the tests run in.
namespace texts {
const QString connectTitle = QStringLiteral("Подключение устройства");
const QString connectPrompt = QStringLiteral("Пожалуйста, включите и подключите Ваше устройство и нажмите \"Ok\"");
const QString updateTitle = QStringLiteral("Обновление устройства");
const QString ready = QStringLiteral("Мы готовы обновить Ваше устройство. Для запуска процесса обновления нажмите "
                                     "\"Ok\".\nВАЖНО! Не отсоединяйте Ваше устройство во время обновления!");
const QString success = QStringLiteral("Процесс обновления успешно завершен!");
const QString upToDate = QStringLiteral("Устройство обновлено до последней версии.");
const QString notSuitable = QStringLiteral("Обновление не подходит для этого устройства!");
const QString notFound = QStringLiteral("Устройство не найдено");
const QString found = QStringLiteral("устройство найдено.");
const QString searching = QStringLiteral("Поиск устройства ...");
const QString shuttingDown = QStringLiteral("Завершение работы...");
const QString started = QStringLiteral("Начат процесс обновления. Не отключайте устройство!");
const QString restartError =
    QStringLiteral("В процессе выполнения возникла ошибка. Пожалуйста, перезапустите программу.");
const QString reinstallError =
    QStringLiteral("В процессе выполнения возникла ошибка. Пожалуйста, переустановите приложение.");
const QString driverSearch = QStringLiteral("Поиск драйвера ...");
const QString driverFound = QStringLiteral("драйвер обнаружен.");
const QString driverMissing = QStringLiteral("драйвер не обнаружен.");
const QString installing = QStringLiteral("Установка драйвера...");
const QString installed = QStringLiteral("установка завершена.");
const QString checking = QStringLiteral("Проверка драйвера ...");
const QString incompatible = QStringLiteral("Ваша версия Windows несовместима с данной программой. Дальнейшая работа "
                                            "невозможна. Обратитесь в службу поддержки email.");
} // namespace texts
