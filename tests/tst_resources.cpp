// The resource collection holds exactly the files the client reads, each read back byte for byte as committed.

#include <QDirIterator>
#include <QtTest>

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void collection()
    {
        QStringList expected =
            QString(":/brask/image/Logo.ico|:/brask/image/KIVRA KEY.jpg|:/image/image/ok.png|"
                    ":/image/image/fail.png|:/image/image/dialog-apply.png|:/deviceFW/image/icon.svg|"
                    ":/deviceFW/deviceFW/DUV_KTL407_0.1.158.bin")
                .split('|');
        for (const QString &name : QString("CP210xVCPInstaller_x64.exe CP210xVCPInstaller_x86.exe x64/silabser.sys "
                                           "x86/silabser.sys silabser.inf silabser.cat dpinst.xml "
                                           "SLAB_License_Agreement_VCP_Windows.txt "
                                           "CP210x_Universal_Windows_Driver_ReleaseNotes.txt")
                                       .split(' '))
            expected << ":/deviceFW/driver/" + name;
        for (const char *language : {"de", "en", "es", "fr", "pl", "ru"})
            expected << QStringLiteral(":/transliterations/%1.qm").arg(language);
        QStringList present; // below the client's own prefixes; Qt keeps resources of its own
        for (const char *prefix : {":/brask", ":/image", ":/deviceFW", ":/transliterations"}) {
            for (QDirIterator it(QLatin1String(prefix), QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
                present << it.next();
        }
        present.sort();
        expected.sort();
        QCOMPARE(present, expected);

        // Compressed in the collection or not, what comes back must be the committed file; the catalogues are build
        // products, and ":/image/image/" is the committed folder image/.
        const QDir resources = QFileInfo(QStringLiteral(__FILE__)).dir().filePath(QStringLiteral("../resources"));
        for (const QString &path : expected) {
            QFile stored(path);
            QVERIFY2(stored.open(QIODevice::ReadOnly) && stored.size() > 0, qPrintable(path));
            QFile committed(resources.filePath(path.mid(2).replace(QStringLiteral("image/image/"), "image/")));
            if (!path.startsWith(QLatin1String(":/transliterations/")))
                QVERIFY2(committed.open(QIODevice::ReadOnly) && stored.readAll() == committed.readAll(),
                         qPrintable(path));
        }
    }
};

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
