#include "serial/framecodec.h"

#include <QtTest>

using framecodec::DecodeResult;
Q_DECLARE_METATYPE(framecodec::DecodeResult)

class TestFrameCodec : public QObject
{
    Q_OBJECT

private slots:
    void knownFrames_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("escaped start byte") << QByteArray::fromHex("01027e") << QByteArray::fromHex("7e01027d3e100d7f");
        QTest::newRow("escaped crc byte") << QByteArray::fromHex("15") << QByteArray::fromHex("7e157d3d807f");
        QTest::newRow("abc") << QByteArray("abc") << QByteArray::fromHex("7e616263dbca7f");
        QTest::newRow("status reply") << QByteArray::fromHex("41") << QByteArray::fromHex("7e4186017f");
    }

    void knownFrames()
    {
        QFETCH(QByteArray, payload);
        QFETCH(QByteArray, frame);
        QCOMPARE(framecodec::encodeFrame(payload).toHex(' '), frame.toHex(' '));
        QByteArray decoded;
        QCOMPARE(framecodec::decodeFrame(frame, &decoded), DecodeResult::Ok);
        QCOMPARE(decoded, payload);
    }

    void crcCheckValue() { QCOMPARE(framecodec::crc16Value("123456789"), quint16(0xFEE8)); }

    void rejects_data()
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
        row("empty payload", "7e00007f", DecodeResult::ShortBody);
        row("two bytes after unstuffing", "7e7d3e017f", DecodeResult::ShortBody);
        row("flipped payload bit", "7e4086017f", DecodeResult::CrcMismatch);
        row("swapped crc bytes", "7e4101867f", DecodeResult::CrcMismatch);
        row("second start byte is data", "7e7e4186017f", DecodeResult::CrcMismatch);
    }

    void rejects()
    {
        QFETCH(QByteArray, collected);
        QFETCH(DecodeResult, expected);
        QByteArray payload = "untouched";
        QCOMPARE(framecodec::decodeFrame(collected, &payload), expected);
        QCOMPARE(payload, QByteArray("untouched"));
    }

    void roundTripsRandomPayloads()
    {
        QRandomGenerator random(20261206);
        for (int i = 0; i < 2000; ++i) {
            QByteArray payload(1 + random.bounded(600), '\0');
            for (char &c : payload) // biased towards the escaped values, so that every frame needs stuffing
                c = static_cast<char>(random.bounded(4) == 0 ? 0x7D + random.bounded(3) : random.bounded(256));
            const QByteArray frame = framecodec::encodeFrame(payload);
            QCOMPARE(frame.indexOf(framecodec::endByte), frame.size() - 1);
            QByteArray decoded;
            QCOMPARE(framecodec::decodeFrame(frame + QByteArray::fromHex("7e99"), &decoded), DecodeResult::Ok);
            QCOMPARE(decoded, payload);
        }
    }
};

QTEST_GUILESS_MAIN(TestFrameCodec)
#include "tst_framecodec.moc"
