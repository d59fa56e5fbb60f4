#include <QDirIterator>
#include <QImageReader>
#include <QSet>
#include <QtEndian>
#include <QtTest>

// Resource path, the committed file it is compiled from (none for the catalogues, which are build products), and
// what it must be: an image format with its dimensions, and/or an exact size.
struct Entry
{
    const char *path;
    const char *source;
    const char *format;
    QSize dimensions;
    qint64 bytes;
};

const Entry entries[] = {
    {":/brask/image/Logo.ico", "brask/image/Logo.ico", "ico", {32, 32}, 4286},
    {":/brask/image/KIVRA KEY.jpg", "brask/image/KIVRA KEY.jpg", "jpeg", {3161, 2433}, -1},
    {":/image/image/ok.png", "image/ok.png", "png", {16, 16}, -1},
    {":/image/image/fail.png", "image/fail.png", "png", {372, 371}, -1},
    {":/image/image/dialog-apply.png", "image/dialog-apply.png", "png", {32, 32}, -1},
    {":/deviceFW/image/icon.svg", "deviceFW/image/icon.svg", nullptr, {}, -1},
    {":/transliterations/de.qm", nullptr, nullptr, {}, -1},
    {":/transliterations/en.qm", nullptr, nullptr, {}, -1},
    {":/transliterations/es.qm", nullptr, nullptr, {}, -1},
    {":/transliterations/fr.qm", nullptr, nullptr, {}, -1},
    {":/transliterations/pl.qm", nullptr, nullptr, {}, -1},
    {":/transliterations/ru.qm", nullptr, nullptr, {}, -1},
    {":/deviceFW/deviceFW/DUV_KTL407_0.1.158.bin", "deviceFW/deviceFW/DUV_KTL407_0.1.158.bin", nullptr, {}, 171620},
    {":/deviceFW/driver/CP210xVCPInstaller_x64.exe", "deviceFW/driver/CP210xVCPInstaller_x64.exe", nullptr, {}, -1},
    {":/deviceFW/driver/CP210xVCPInstaller_x86.exe", "deviceFW/driver/CP210xVCPInstaller_x86.exe", nullptr, {}, -1},
    {":/deviceFW/driver/x64/silabser.sys", "deviceFW/driver/x64/silabser.sys", nullptr, {}, -1},
    {":/deviceFW/driver/x86/silabser.sys", "deviceFW/driver/x86/silabser.sys", nullptr, {}, -1},
    {":/deviceFW/driver/silabser.inf", "deviceFW/driver/silabser.inf", nullptr, {}, -1},
    {":/deviceFW/driver/silabser.cat", "deviceFW/driver/silabser.cat", nullptr, {}, -1},
    {":/deviceFW/driver/dpinst.xml", "deviceFW/driver/dpinst.xml", nullptr, {}, -1},
    {":/deviceFW/driver/SLAB_License_Agreement_VCP_Windows.txt",
     "deviceFW/driver/SLAB_License_Agreement_VCP_Windows.txt",
     nullptr,
     {},
     -1},
    {":/deviceFW/driver/CP210x_Universal_Windows_Driver_ReleaseNotes.txt",
     "deviceFW/driver/CP210x_Universal_Windows_Driver_ReleaseNotes.txt",
     nullptr,
     {},
     -1},
};

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void readsBack_data();
    void readsBack();
    void collectionHoldsNothingElse();
    void firmwareIsACortexMImage();
};

void TestResources::readsBack_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QSize>("dimensions");
    QTest::addColumn<qint64>("bytes");
    for (const Entry &e : entries) {
        QTest::newRow(e.path) << QString::fromUtf8(e.path) << QString::fromUtf8(e.source) << QByteArray(e.format)
                              << e.dimensions << e.bytes;
    }
}

void TestResources::readsBack()
{
    QFETCH(QString, path);
    QFETCH(QString, source);
    QFETCH(QByteArray, format);
    QFETCH(QSize, dimensions);
    QFETCH(qint64, bytes);

    const QByteArray data = readAll(path);
    QVERIFY(!data.isEmpty());
    QCOMPARE(qint64(data.size()), QFileInfo(path).size());
    if (bytes >= 0) {
        QCOMPARE(qint64(data.size()), bytes);
    }
    // Compressed or not, what comes back must be the committed file byte for byte.
    if (!source.isEmpty()) {
        const QString committed = QFileInfo(QStringLiteral(__FILE__)).dir().filePath(QStringLiteral("../resources/"));
        QCOMPARE(data, readAll(committed + source));
    }
    if (!format.isEmpty()) {
        QImageReader reader(path);
        QCOMPARE(reader.format(), format);
        QCOMPARE(reader.size(), dimensions);
        if (format != "jpeg") { // the photograph is checked by header only; decoding it whole costs ~30 MB
            const QImage image = reader.read();
            QCOMPARE(image.size(), dimensions);
            QVERIFY(image.hasAlphaChannel());
        }
    }
}

void TestResources::collectionHoldsNothingElse()
{
    QSet<QString> expected;
    for (const Entry &e : entries) {
        expected.insert(QString::fromUtf8(e.path));
    }
    // Qt registers collections of its own, so only the client's top-level directories are walked.
    QSet<QString> found;
    for (const char *root : {":/brask", ":/image", ":/transliterations", ":/deviceFW"}) {
        QDirIterator it(QString::fromLatin1(root), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            found.insert(it.next());
        }
    }
    QCOMPARE(found, expected);
}

void TestResources::firmwareIsACortexMImage()
{
    const QByteArray image = readAll(QStringLiteral(":/deviceFW/deviceFW/DUV_KTL407_0.1.158.bin"));
    QCOMPARE(image.size(), 171620);
    const auto word = [&image](int index) { return qFromLittleEndian<quint32>(image.constData() + 4 * index); };
    QVERIFY(word(0) > 0x20000000 && word(0) <= 0x20020000 && word(0) % 8 == 0);
    for (int vector = 1; vector <= 3; ++vector) { // reset, NMI, hard fault
        QCOMPARE(word(vector) & 1, 1u);
        QVERIFY(word(vector) > 0x8000 && word(vector) < 0x32000);
    }
    // The frame codec has to escape these when the image travels; the stand-in must exercise that.
    QVERIFY(image.contains('\x7d') && image.contains('\x7e') && image.contains('\x7f'));
}

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
