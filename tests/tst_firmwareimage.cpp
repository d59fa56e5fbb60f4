// How the carried image is laid into pages and summed, without a device: the checksum the finish request carries
// and the sizes the client refuses to write at all.

#include "device/firmwareimage.h"

#include <QBuffer>
#include <QtTest>

class TestFirmwareImage : public QObject
{
    Q_OBJECT

private slots:
    void crcModbusCheckValue() { QCOMPARE(firmwareimage::crc16Modbus("123456789"), quint16(0x4B37)); }

    void writableSizes_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("writable");
        const qint64 max = firmwareimage::maxImageSize;
        QTest::newRow("empty") << qint64(0) << false;
        QTest::newRow("one byte") << qint64(1) << true;
        QTest::newRow("2 GiB") << (qint64(2) << 30) << true;
        QTest::newRow("last page ending just below 4 GiB") << max << true;
        QTest::newRow("one byte more needs a page past 32 bits") << max + 1 << false;
        QTest::newRow("4 GiB + 512") << (qint64(4) << 30) + 512 << false;
    }

    void writableSizes()
    {
        QFETCH(qint64, size);
        QFETCH(bool, writable);
        QCOMPARE(firmwareimage::isWritableSize(size), writable);
        if (writable) // the end address announced must not have wrapped
            QVERIFY(firmwareimage::endAddress(firmwareimage::pageCount(size)) > firmwareimage::firstPageAddress);
    }

    void paddedCrcReadInPieces_data()
    {
        QTest::addColumn<int>("size");
        for (const int size : {1, 511, 512, 513, 3 * 512, 64 * 1024 + 1})
            QTest::addRow("%d bytes", size) << size;
    }

    void paddedCrcReadInPieces()
    {
        QFETCH(int, size);
        QByteArray image(size, '\0');
        for (int i = 0; i < size; ++i)
            image[i] = char(i * 7 + 0x7D);
        QBuffer device(&image);
        QVERIFY(device.open(QIODevice::ReadOnly));
        quint16 crc = 0;
        QVERIFY(firmwareimage::paddedImageCrc(device, size, &crc));
        QCOMPARE(crc, firmwareimage::crc16Modbus(firmwareimage::padded(image)));
        // An image shorter than it claimed to be is a read failure, not a checksum.
        QVERIFY(device.seek(0));
        QVERIFY(!firmwareimage::paddedImageCrc(device, size + 1, &crc));
    }
};

QTEST_GUILESS_MAIN(TestFirmwareImage)
#include "tst_firmwareimage.moc"
