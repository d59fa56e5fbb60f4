// Every path the client reads from its resource collection, read back whole.

#include <QImageReader>
#include <QtTest>

namespace {

// Resource path; the committed file it is compiled from, below resources/ ("" when that is the path without ":/",
// none for the catalogues, which are build products); the picture's dimensions or the file's size where they matter.
struct Entry
{
    const char *path;
    const char *source;
    QSize dimensions;
    qint64 bytes;
};

const Entry entries[] = {
    {":/brask/image/Logo.ico", "", {32, 32}, 4286},
    {":/brask/image/KIVRA KEY.jpg", "", {3161, 2433}, -1},
    {":/image/image/ok.png", "image/ok.png", {16, 16}, -1},
    {":/image/image/fail.png", "image/fail.png", {372, 371}, -1},
    {":/image/image/dialog-apply.png", "image/dialog-apply.png", {32, 32}, -1},
    {":/deviceFW/image/icon.svg", "", {}, -1},
    {":/transliterations/de.qm", nullptr, {}, -1},
    {":/transliterations/en.qm", nullptr, {}, -1},
    {":/transliterations/es.qm", nullptr, {}, -1},
    {":/transliterations/fr.qm", nullptr, {}, -1},
    {":/transliterations/pl.qm", nullptr, {}, -1},
    {":/transliterations/ru.qm", nullptr, {}, -1},
    {":/deviceFW/deviceFW/DUV_KTL407_0.1.158.bin", "", {}, 171620},
    {":/deviceFW/driver/CP210xVCPInstaller_x64.exe", "", {}, -1},
    {":/deviceFW/driver/CP210xVCPInstaller_x86.exe", "", {}, -1},
    {":/deviceFW/driver/x64/silabser.sys", "", {}, -1},
    {":/deviceFW/driver/x86/silabser.sys", "", {}, -1},
    {":/deviceFW/driver/silabser.inf", "", {}, -1},
    {":/deviceFW/driver/silabser.cat", "", {}, -1},
    {":/deviceFW/driver/dpinst.xml", "", {}, -1},
    {":/deviceFW/driver/SLAB_License_Agreement_VCP_Windows.txt", "", {}, -1},
    {":/deviceFW/driver/CP210x_Universal_Windows_Driver_ReleaseNotes.txt", "", {}, -1},
};

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void readsBack_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < int(std::size(entries)); ++i)
            QTest::newRow(entries[i].path) << i;
    }

    void readsBack()
    {
        QFETCH(int, index);
        const Entry &e = entries[index];
        const QByteArray data = readAll(QString::fromUtf8(e.path));
        QVERIFY(!data.isEmpty());
        if (e.bytes >= 0)
            QCOMPARE(qint64(data.size()), e.bytes);
        // Compressed in the collection or not, what comes back must be the committed file byte for byte.
        if (e.source) {
            const QString source = *e.source ? QString::fromUtf8(e.source) : QString::fromUtf8(e.path + 2);
            const QDir resources = QFileInfo(QStringLiteral(__FILE__)).dir().filePath(QStringLiteral("../resources"));
            QCOMPARE(data, readAll(resources.filePath(source)));
        }
        if (!e.dimensions.isEmpty())
            QCOMPARE(QImageReader(QString::fromUtf8(e.path)).size(), e.dimensions);
    }
};

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
