// The real Windows system layer on Windows (or Wine): the driver's registry entry as Windows keeps it, planted and
// removed through the Win32 API rather than the client's own reader; and the whole client with the machine's own
// registry, "where" and "tasklist". Only the vendor's installer is a stand-in: the file the client unpacked is
// replaced by a small program that records that it ran, and is then started exactly as the client asked.

#include "app/startup.h"
#include "driver/windowssystem.h"
#include "registry.h"
#include "sim/boxanswerer.h"
#include "ui/mainwindow.h"

#include <QStandardItemModel>
#include <QTableView>
#include <QtTest>

using namespace registry;

namespace {
// Creates the driver's entry (and its parent) with the given "Source" value.
bool plantEntry(const QString &source)
{
    return setText(driverEntryKey, L"Source", source);
}
} // namespace

class TestWindowsSystem : public QObject
{
    Q_OBJECT

    // The system's temporary directory for the run, with a space in its path, as user profiles often have.
    QTemporaryDir temp{QDir::tempPath() + QStringLiteral("/kivra zid-XXXXXX")};
    QStringList asked; // what the client asked to start, and in which directory

    // Runs the client from its construction until it ends its run (or 30 s pass): its boxes, then its step rows.
    QStringList runClient()
    {
        WindowsPrimitives primitives = WindowsPrimitives::real();
        const QString standIn = QCoreApplication::applicationDirPath() + QStringLiteral("/kivra-installer-standin.exe");
        primitives.startDetached = [this, standIn](const QString &program, const QString &directory) {
            asked << program << directory;
            QFile::remove(program);
            return QFile::copy(standIn, program) && driverprobe::startDetachedProgram(program, directory);
        };
        MainWindow window(nullptr, windowSizeForScreen(QSize(1920, 1080)));
        window.setSystemAccess(std::make_unique<WindowsSystem>(primitives));
        BoxAnswerer user;
        QTimer watchdog; // of this run only
        QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(2); });
        watchdog.start(30000);
        window.show();
        QStringList seen{QString::number(QApplication::exec())};
        for (const RecordedBox &box : user.boxes())
            seen << box.text;
        const auto *model = qobject_cast<QStandardItemModel *>(window.findChild<QTableView *>()->model());
        for (int row = 0; row < model->rowCount(); ++row)
            seen << model->item(row, 1)->text() + " | " + (model->item(row, 2) ? model->item(row, 2)->text() : "");
        return seen;
    }

private slots:
    void initTestCase()
    {
        // The suite changes the machine's lockdown list: only where there is none to lose, as in a fresh prefix.
        if (keyExists(lockdownKey))
            QSKIP("the PnP lockdown list exists on this machine; the suite runs only where it does not");
        QVERIFY(temp.isValid());
        // The client unpacks the driver package below the system's temporary directory.
        qputenv("TMP", QDir::toNativeSeparators(temp.path()).toUtf8());
        qputenv("TEMP", QDir::toNativeSeparators(temp.path()).toUtf8());
        QCOMPARE(QDir::tempPath().toLower(), temp.path().toLower());
    }

    void cleanup() { removeDriver(); }

    void registryEntry_data()
    {
        QTest::addColumn<bool>("parent");
        QTest::addColumn<QString>("source"); // null: no entry
        QTest::addColumn<bool>("fileThere");
        QTest::addColumn<bool>("present");
        QTest::newRow("entry names an existing file") << true << driverSource << true << true;
        QTest::newRow("entry names a missing file") << true << driverSource << false << false;
        QTest::newRow("parent key without the entry") << true << QString() << false << false;
        QTest::newRow("no parent key") << false << QString() << false << false;
    }

    void registryEntry()
    {
        QFETCH(bool, parent);
        QFETCH(QString, source);
        QFETCH(bool, fileThere);
        QFETCH(bool, present);
        if (parent) {
            QVERIFY(plantEntry(QStringLiteral("unused")) && (source.isNull() || plantEntry(source)));
            if (source.isNull())
                RegDeleteKeyW(HKEY_LOCAL_MACHINE, driverEntryKey.c_str());
        }
        QVERIFY(!fileThere || QFile(driverFile).open(QIODevice::WriteOnly));
        QCOMPARE(WindowsSystem().driverPresent(), present);
        // Looking must not create what was not there: an elevated client would leave an empty entry behind.
        QCOMPARE(keyExists(lockdownKey), parent);
        QCOMPARE(keyExists(driverEntryKey), !source.isNull());
    }

    void missingDriverRunsTheInstaller()
    {
        asked.clear();
        const QString record = temp.filePath(QStringLiteral("installer-record.txt"));
        qputenv("KZ_STANDIN_RECORD", QDir::toNativeSeparators(record).toUtf8());
        // The installer goes from the (real) process list, and the second detection finds no driver.
        QCOMPARE(runClient(), QStringList({"0",
                                           QStringLiteral("Ваша версия Windows несовместима с данной программой. "
                                                          "Дальнейшая работа невозможна. Обратитесь в службу "
                                                          "поддержки email."),
                                           QStringLiteral("Поиск драйвера ... | драйвер не обнаружен."),
                                           QStringLiteral("Установка драйвера... | установка завершена."),
                                           QStringLiteral("Проверка драйвера ... | драйвер не обнаружен.")}));
        const QString directory = QDir::tempPath() + QStringLiteral("/driver");
        QCOMPARE(asked, QStringList({directory + QStringLiteral("/CP210xVCPInstaller.exe"), directory}));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(record), 10000);
        QFile file(record);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()).split('\n').mid(0, 3),
                 QStringList({QStringLiteral("ran"), QDir::toNativeSeparators(directory), QStringLiteral("0")}));
        QVERIFY(!keyExists(lockdownKey));
    }
};

QTEST_MAIN(TestWindowsSystem)
#include "tst_windowssystem.moc"
