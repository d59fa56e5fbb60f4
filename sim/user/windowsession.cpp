#include "sim/user/windowsession.h"

#include "app/startup.h"
#include "driver/systemaccess.h"
#include "serial/qorvserial.h"
#include "ui/mainwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QStandardItemModel>
#include <QTableView>
#include <QTextBrowser>
#include <QWindow>

StallClock::StallClock()
{
    QObject::connect(&tick, &QTimer::timeout, [this] { longestMs = std::max(longestMs, sinceTick.restart()); });
    tick.setTimerType(Qt::PreciseTimer);
    tick.start(10);
    sinceTick.start();
}

WindowSession::WindowSession(BoxAnswerer::Watch watch)
    : user(nullptr, watch), windowSize(windowSizeForScreen(QSize(1920, 1080)))
{
    clock.start();
}

WindowSession::~WindowSession()
{
    endClient();
}

void WindowSession::newWindow(std::unique_ptr<SystemAccess> system)
{
    endClient();
    window = new MainWindow(nullptr, windowSize);
    window->setSystemAccess(std::move(system));
    window->setHistoryFolder(historyFolder.path());
}

RunEnd WindowSession::runToEnd()
{
    bool closed = false;
    const auto closing = QObject::connect(qApp, &QGuiApplication::lastWindowClosed, [&closed] { closed = true; });
    QTimer watchdog; // of this call, so that it cannot fire into a later run
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(2); });
    watchdog.start(60000);
    window->show();
    exitCode = QApplication::exec();
    endMs = clock.elapsed();
    QObject::disconnect(closing);
    return exitCode == 2 ? RunEnd::Watchdog : closed ? RunEnd::WindowClosed : RunEnd::ApplicationQuit;
}

void WindowSession::closeWindow()
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

QStringList WindowSession::rows() const
{
    const auto *table = window->findChild<QTableView *>();
    const auto *model = qobject_cast<QStandardItemModel *>(table->model());
    const auto text = [model](int row, int column) {
        return model->item(row, column) ? model->item(row, column)->text() : QString();
    };
    const auto picture = [](const char *name) {
        return QIcon(QStringLiteral(":/image/image/%1.png").arg(QLatin1String(name))).pixmap(16).toImage();
    };
    const QImage ok = picture("ok");
    const QImage fail = picture("fail");
    QStringList out;
    for (int row = 0; row < model->rowCount(); ++row) {
        const QImage shown = model->item(row, 1) ? model->item(row, 1)->icon().pixmap(16).toImage() : QImage();
        const QString icon = shown == ok ? QStringLiteral("ok") : shown == fail ? QStringLiteral("fail") : QString();
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

QString WindowSession::log() const
{
    return window->findChild<QTextBrowser *>(QStringLiteral("text_browser"))->toPlainText();
}

QProgressBar *WindowSession::progress() const
{
    return window->findChild<QProgressBar *>(QStringLiteral("progressBar"));
}

QStringList WindowSession::boxTexts(int first) const
{
    QStringList texts;
    for (int i = first; i < user.boxes().size(); ++i)
        texts << user.boxes().at(i).text;
    return texts;
}

void WindowSession::endClient()
{
    // The worker outlives its window by design, as the process that ends with them; here the session ends (or the
    // next starts), so both go.
    qorvserial *worker = window ? window->serialWorker() : nullptr;
    if (worker)
        worker->disconnectPort();
    delete window;
    window = nullptr;
    delete worker;
}
