#include "app/singleinstance.h"

#include "app/constants.h"
#include "app/logging.h"
#include "app/ownfiles.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThread>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {
// The running client answers from its event loop, which its boxes and waits keep turning; a client that has not
// answered in this long is busy beyond what a user would wait for (a driver probe of up to half a minute).
constexpr int answerWithinMs = 2000;
constexpr int answerPollMs = 20;
// A client that said it is ending goes within its timed close (some 9 s after an update) or once its last box is
// closed; one that says nothing for this long, or is still there after the longer bound, is not going.
constexpr qint64 unansweredForMs = 10000;
constexpr qint64 endingWithinMs = 60000;
// Between two looks at the lock of a client that is ending.
constexpr int lockWaitMs = 500;
constexpr int lookAgainMs = 1000;

const QString askSuffix = QStringLiteral(".ask");
const QString answerSuffix = QStringLiteral(".answer");
} // namespace

SingleInstance::SingleInstance(const QString &folder, QObject *parent)
    : QObject(parent), folder(folder),
      lock(folder.isEmpty() ? QString() : folder + QStringLiteral("/instance-%1.lock").arg(userTag()))
{
    connect(&watcher, &QFileSystemWatcher::directoryChanged, this, &SingleInstance::answerAsks);
    // A watch can miss a change (a folder on a network share, Wine): the folder is looked at besides.
    lookAgain.setInterval(lookAgainMs);
    connect(&lookAgain, &QTimer::timeout, this, &SingleInstance::answerAsks);
}

QString SingleInstance::folderFor(const QString &runtime, bool runtimePrivate, const QString &appData)
{
    if (!runtime.isEmpty() && runtimePrivate)
        return runtime + QLatin1Char('/') + QCoreApplication::applicationName();
    return appData;
}

QString SingleInstance::defaultFolder()
{
    const QString appData = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
#ifdef Q_OS_WIN
    // The temporary folder is the user's own unless a policy shares it; the files carry the user for that case.
    return folderFor(QDir::tempPath(), true, appData);
#else
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return folderFor(runtime, isOwnersAlone(runtime), appData);
#endif
}

bool SingleInstance::isOwnersAlone(const QString &folder)
{
#ifdef Q_OS_WIN
    Q_UNUSED(folder)
    return false;
#else
    const QFileInfo info(folder);
    return info.isDir() && !ownfiles::isLink(info) && info.ownerId() == ::getuid() &&
           !(info.permissions() & (QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther |
                                   QFile::WriteOther | QFile::ExeOther));
#endif
}

QString SingleInstance::userTag()
{
#ifdef Q_OS_WIN
    QString user = qEnvironmentVariable("USERNAME");
#else
    QString user = QString::number(::getuid());
#endif
    user.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9._-]")), QStringLiteral("_"));
    return user.isEmpty() ? QStringLiteral("user") : user;
}

QString SingleInstance::asksFolder() const
{
    return folder + QStringLiteral("/instance-%1.asks").arg(userTag());
}

SingleInstance::Start SingleInstance::start()
{
    QElapsedTimer waited;
    waited.start();
    qint64 lastHeard = 0;
    for (;;) {
        if (claim())
            return Start::Run;
        const Answer answer = ask();
        if (answer == Answer::Shown)
            return Start::Shown;
        if (answer == Answer::Ending)
            lastHeard = waited.elapsed();
        if (waited.elapsed() - lastHeard > unansweredForMs || waited.elapsed() > endingWithinMs)
            return Start::Unanswered;
        if (lock.tryLock(lockWaitMs))
            return claim() ? Start::Run : Start::Unanswered;
    }
}

bool SingleInstance::claim()
{
    if (folder.isEmpty())
        return true;
    if (!lock.isLocked()) {
        if (!QDir().mkpath(asksFolder()))
            qCDebug(lcStartup) << "No lock against a second start: cannot make" << asksFolder();
        if (!lock.tryLock(0)) {
            // A lock that cannot be made at all (a read-only folder) must not keep the user from the update.
            return lock.error() != QLockFile::LockFailedError;
        }
    }
    // Asks left by starts that have gone since; a start still asking asks again.
    const QDir asks(asksFolder());
    for (const QString &name : asks.entryList(QDir::Files | QDir::Hidden | QDir::System))
        QFile::remove(asks.filePath(name));
    watcher.addPath(asksFolder());
    lookAgain.start();
    return true;
}

SingleInstance::Answer SingleInstance::ask()
{
#ifdef Q_OS_WIN
    // Windows lets a program come to the foreground only where the one in front allows it: this start is in front.
    if (const qint64 pid = lock.holderPid())
        AllowSetForegroundWindow(DWORD(pid));
#endif
    const QString own = asksFolder() + QLatin1Char('/') + QString::number(QCoreApplication::applicationPid());
    // An answer left under this id by an earlier start (Wine hands out the same ids again) is no answer to this one.
    QFile::remove(own + answerSuffix);
    QFile request(own + askSuffix);
    if (!ownfiles::openRegular(request, QIODevice::WriteOnly)) {
        qCDebug(lcStartup) << "The running client could not be asked to show its window:" << request.errorString();
        return Answer::None;
    }
    request.close();
    QByteArray answer;
    for (const QDeadlineTimer deadline(answerWithinMs); answer.isEmpty() && !deadline.hasExpired();) {
        QThread::msleep(answerPollMs);
        QFile in(own + answerSuffix);
        if (ownfiles::openRegular(in, QIODevice::ReadOnly))
            answer = in.readAll().trimmed();
    }
    QFile::remove(own + askSuffix);
    QFile::remove(own + answerSuffix);
    qCDebug(lcStartup) << "The running client answered" << (answer.isEmpty() ? QByteArray("nothing") : answer);
    return answer == "shown" ? Answer::Shown : answer == "ending" ? Answer::Ending : Answer::None;
}

void SingleInstance::answerWith(std::function<bool()> show)
{
    showWindow = std::move(show);
    answerAsks();
}

void SingleInstance::answerAsks()
{
    // Until the window is there the start is not answered: it asks again.
    if (!showWindow)
        return;
    const QDir asks(asksFolder());
    for (const QString &name : asks.entryList({QLatin1Char('*') + askSuffix}, QDir::Files)) {
        const QString answerFile = asks.filePath(name.chopped(askSuffix.size()) + answerSuffix);
        if (ownfiles::entryAt(answerFile) != ownfiles::Entry::Absent)
            continue;
        const bool shown = showWindow();
        qCDebug(lcStartup) << "Another start:" << (shown ? "the running window is shown" : "this client is ending");
        // Whole or not at all: the asking start reads it as soon as it is there.
        QSaveFile out(answerFile);
        if (!out.open(QIODevice::WriteOnly) || out.write(shown ? "shown\n" : "ending\n") < 0 || !out.commit())
            qCDebug(lcStartup) << "Another start not answered:" << out.errorString();
    }
}

void SingleInstance::tellUnanswered()
{
    qCDebug(lcStartup) << "The running client neither answers nor ends: the user is told";
    QMessageBox box(QMessageBox::Warning, appTitle,
                    tr("Программа обновления уже запущена, но не отвечает. Подождите немного или завершите её и "
                       "запустите программу снова."),
                    QMessageBox::Ok, nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    box.exec();
}
