// The line protocol without a line: the two checksums, frames and the identity in a reply. (The requests' bytes: the
// whole runs, whose simulated device reads every field from where the protocol puts it; how images are laid into
// pages and summed: the whole runs of tst_workflowfaults; the answers to pages and finish: the reply-check fuzzer,
// against a plain reading of the rule.)

#include "device/firmwareimage.h"
#include "device/protocol.h"
#include "serial/framecodec.h"

#include <QtTest>

using framecodec::DecodeResult;
Q_DECLARE_METATYPE(DecodeResult)

class TestProtocol : public QObject
{
    Q_OBJECT

private slots:
    void checkValues()
    {
        QCOMPARE(framecodec::crc16Value("123456789"), quint16(0xFEE8));
        QCOMPARE(firmwareimage::crc16Modbus("123456789"), quint16(0x4B37));
    }

    void knownFrames_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("escaped start byte") << QByteArray::fromHex("01027e") << QByteArray::fromHex("7e01027d3e100d7f");
        QTest::newRow("escaped crc byte") << QByteArray::fromHex("15") << QByteArray::fromHex("7e157d3d807f");
        QTest::newRow("abc") << QByteArray("abc") << QByteArray::fromHex("7e616263dbca7f");
    }

    void knownFrames()
    {
        QFETCH(QByteArray, payload);
        QFETCH(QByteArray, frame);
        QCOMPARE(framecodec::encodeFrame(payload).toHex(' '), frame.toHex(' '));
        // Trailing bytes after the end byte are not part of the frame.
        QByteArray decoded;
        QCOMPARE(framecodec::decodeFrame(frame + QByteArray::fromHex("7e99"), &decoded), DecodeResult::Ok);
        QCOMPARE(decoded, payload);
    }

    void rejectedFrames_data()
    {
        QTest::addColumn<QByteArray>("collected");
        QTest::addColumn<DecodeResult>("expected");
        const auto row = [](const char *name, const char *hex, DecodeResult r) {
            QTest::newRow(name) << QByteArray::fromHex(hex) << r;
        };
        row("nothing", "", DecodeResult::NoStartByte);
        row("stray byte before a good frame", "007e4186017f", DecodeResult::NoStartByte);
        row("no end byte", "7e418601", DecodeResult::NoEndByte);
        row("empty body", "7e7f", DecodeResult::EmptyBody);
        row("two bytes after unstuffing", "7e7d3e017f", DecodeResult::ShortBody);
        row("swapped crc bytes", "7e4101867f", DecodeResult::CrcMismatch);
        row("second start byte is data", "7e7e4186017f", DecodeResult::CrcMismatch);
    }

    void rejectedFrames()
    {
        QFETCH(QByteArray, collected);
        QFETCH(DecodeResult, expected);
        QByteArray payload = "untouched";
        QCOMPARE(framecodec::decodeFrame(collected, &payload), expected);
        QCOMPARE(payload, QByteArray("untouched"));
    }

    // 0x82, then two 32-byte fields, each read up to its first zero byte, one Latin-1 character per byte.
    void identity()
    {
        const auto reply = [](const QByteArray &sku, const QByteArray &hardware) {
            return '\x82' + sku.leftJustified(32, '\0') + hardware.leftJustified(32, '\0');
        };
        QString sku = QStringLiteral("old"), hardware = QStringLiteral("old");
        QVERIFY(!protocol::parseIdentifyReply(reply("60318", "KTL407.001").left(64), &sku, &hardware));
        QVERIFY(!protocol::parseIdentifyReply('\x02' + reply("60318", "KTL407.001").mid(1), &sku, &hardware));
        QCOMPARE(sku + '|' + hardware, QStringLiteral("old|old"));
        QVERIFY(
            protocol::parseIdentifyReply(reply(QByteArray(32, 'S'), QByteArray("caf\xE9\0CD", 7)), &sku, &hardware));
        QCOMPARE(sku + '|' + hardware, QString(32, 'S') + QStringLiteral("|caf\u00E9"));
    }
};

QTEST_GUILESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
