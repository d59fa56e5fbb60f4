// The whole client on Windows (or Wine) with the real Windows system layer: the registry, "where" and "tasklist"
// are the machine's own. Only the vendor's installer is a stand-in: the carried package's installer is a
// placeholder, so the file the client unpacked is replaced by a small program that records that it ran, and is then
// started exactly as the client asked.

#include "app/startup.h"
#include "driver/windowssystem.h"
#include "sim/boxanswerer.h"
#include "support/windowsregistry.h"
#include "ui/mainwindow.h"

#include <QStandardItemModel>
#include <QTableView>
#include <QtTest>

namespace {
const QString connectPrompt = QStringLiteral("Пожалуйста, включите и подключите Ваше устройство и нажмите \"Ok\"");
const QString incompatible = QStringLiteral("Ваша версия Windows несовместима с данной программой. Дальнейшая работа "
                                            "невозможна. Обратитесь в службу поддержки email.");

QStringList stepRows(MainWindow *window)
{
    const auto *model =
        qobject_cast<QStandardItemModel *>(window->findChild<QTableView *>(QStringLiteral("tableView"))->model());
    QStringList rows;
    for (int row = 0; row < model->rowCount(); ++row) {
        const QStandardItem *step = model->item(row, 1);
        const QStandardItem *result = model->item(row, 2);
        rows << (step ? step->text() : QString()) + QStringLiteral(" | ") + (result ? result->text() : QString());
    }
    return rows;
}
} // namespace

class TestWindowsClient : public QObject
{
    Q_OBJECT

    // The system's temporary directory for the run, with a space in its path, as user profiles often have.
    QTemporaryDir temp{QDir::tempPath() + QStringLiteral("/kivra zid-XXXXXX")};
    QStringList asked; // what the client asked to start, and in which directory

    // Runs the client from its construction until it ends its run (or 30 s pass); returns the boxes it showed.
    QStringList runClient(MainWindow &window, BoxAnswerer &user)
    {
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(2); });
        watchdog.start(30000);
        window.show();
        const int rc = QApplication::exec();
        [&] { QCOMPARE(rc, 0); }();
        QStringList texts;
        for (const RecordedBox &box : user.boxes())
            texts << box.text;
        return texts;
    }

    std::unique_ptr<SystemAccess> system()
    {
        WindowsPrimitives primitives = WindowsPrimitives::real();
        const QString standIn = QCoreApplication::applicationDirPath() + QStringLiteral("/kivra-installer-standin.exe");
        primitives.startDetached = [this, standIn](const QString &program, const QString &directory) {
            asked << program << directory;
            QFile::remove(program);
            return QFile::copy(standIn, program) && driverprobe::startDetachedProgram(program, directory);
        };
        return std::make_unique<WindowsSystem>(primitives);
    }

private slots:
    void initTestCase()
    {
        if (lockdown::parentExists())
            QSKIP("the PnP lockdown list exists on this machine; the suite runs only where it does not");
        QVERIFY(temp.isValid());
        // The client unpacks the driver package below the system's temporary directory.
        qputenv("TMP", QDir::toNativeSeparators(temp.path()).toUtf8());
        qputenv("TEMP", QDir::toNativeSeparators(temp.path()).toUtf8());
        QCOMPARE(QDir::tempPath().toLower(), temp.path().toLower());
    }

    void cleanup()
    {
        lockdown::removeParent();
        QFile::remove(lockdown::driverFile());
    }

    void driverInstalledLeadsToTheConnectionPrompt()
    {
        QVERIFY(lockdown::plant(lockdown::driverSource()));
        QFile file(lockdown::driverFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        MainWindow window(nullptr, windowSizeForScreen(QSize(1920, 1080)));
        window.setSystemAccess(system());
        BoxAnswerer user;
        user.enqueue(QMessageBox::Cancel);
        QCOMPARE(runClient(window, user), QStringList{connectPrompt});
        QCOMPARE(stepRows(&window).value(0), QStringLiteral("Поиск драйвера ... | драйвер обнаружен."));
    }

    void missingDriverRunsTheInstaller()
    {
        asked.clear();
        const QString record = temp.filePath(QStringLiteral("installer-record.txt"));
        qputenv("KZ_STANDIN_RECORD", QDir::toNativeSeparators(record).toUtf8());
        MainWindow window(nullptr, windowSizeForScreen(QSize(1920, 1080)));
        window.setSystemAccess(system());
        BoxAnswerer user;
        QCOMPARE(runClient(window, user), QStringList{incompatible});
        const QString directory = QDir::tempPath() + QStringLiteral("/driver");
        QCOMPARE(asked, QStringList({directory + QStringLiteral("/CP210xVCPInstaller.exe"), directory}));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(record), 10000);
        QFile file(record);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        QCOMPARE(lines.mid(0, 3),
                 QStringList({QStringLiteral("ran"), QDir::toNativeSeparators(directory), QStringLiteral("0")}));
        // The installer has gone from the (real) process list, the second detection finds no driver.
        QCOMPARE(stepRows(&window), QStringList({QStringLiteral("Поиск драйвера ... | драйвер не обнаружен."),
                                                 QStringLiteral("Установка драйвера... | установка завершена."),
                                                 QStringLiteral("Проверка драйвера ... | драйвер не обнаружен.")}));
        QVERIFY(!lockdown::parentExists());
    }
};

QTEST_MAIN(TestWindowsClient)
#include "tst_windowsclient.moc"
