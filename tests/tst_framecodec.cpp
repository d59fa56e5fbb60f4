#include "serial/framecodec.h"

#include <QRandomGenerator>
#include <QtTest>

using framecodec::DecodeResult;
Q_DECLARE_METATYPE(framecodec::DecodeResult)

class TestFrameCodec : public QObject
{
    Q_OBJECT

private slots:
    void encodesKnownPayloads_data();
    void encodesKnownPayloads();
    void crcCheckValue();
    void decodesKnownReply();
    void rejects_data();
    void rejects();
    void roundTripsRandomPayloads();
    void trailingEscapeStandsForZeroByte();
};

void TestFrameCodec::encodesKnownPayloads_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<int>("crc");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("escaped start byte in payload")
        << QByteArray::fromHex("01027e") << 0x0D10 << QByteArray::fromHex("7e01027d3e100d7f");
    QTest::newRow("escaped low crc byte") << QByteArray::fromHex("15") << 0x807D << QByteArray::fromHex("7e157d3d807f");
    QTest::newRow("abc") << QByteArray("abc") << 0xCADB << QByteArray::fromHex("7e616263dbca7f");
    QTest::newRow("status reply code") << QByteArray::fromHex("41") << 0x0186 << QByteArray::fromHex("7e4186017f");
    QTest::newRow("empty") << QByteArray() << 0x0000 << QByteArray::fromHex("7e00007f");
}

void TestFrameCodec::encodesKnownPayloads()
{
    QFETCH(QByteArray, payload);
    QFETCH(int, crc);
    QFETCH(QByteArray, frame);
    QCOMPARE(int(framecodec::crc16Value(payload)), crc);
    QCOMPARE(crc16(payload), QByteArray::fromHex(QByteArray::number(crc & 0xFF, 16).rightJustified(2, '0') +
                                                 QByteArray::number(crc >> 8, 16).rightJustified(2, '0')));
    QCOMPARE(appendCrc(payload), payload + crc16(payload));
    QCOMPARE(framecodec::encodeFrame(payload), frame);
}

void TestFrameCodec::crcCheckValue()
{
    QCOMPARE(framecodec::crc16Value("123456789"), quint16(0xFEE8));
}

void TestFrameCodec::decodesKnownReply()
{
    QByteArray payload = "untouched";
    QCOMPARE(framecodec::decodeFrame(QByteArray::fromHex("7e4186017f"), &payload), DecodeResult::Ok);
    QCOMPARE(payload, QByteArray::fromHex("41"));
}

void TestFrameCodec::rejects_data()
{
    QTest::addColumn<QByteArray>("collected");
    QTest::addColumn<DecodeResult>("expected");
    const QByteArray good = QByteArray::fromHex("7e4186017f");
    QTest::newRow("nothing") << QByteArray() << DecodeResult::NoStartByte;
    QTest::newRow("stray byte before a good frame") << QByteArray::fromHex("00") + good << DecodeResult::NoStartByte;
    QTest::newRow("no end byte") << QByteArray::fromHex("7e418601") << DecodeResult::NoEndByte;
    QTest::newRow("empty body") << QByteArray::fromHex("7e7f") << DecodeResult::EmptyBody;
    QTest::newRow("empty payload frame") << QByteArray::fromHex("7e00007f") << DecodeResult::ShortBody;
    QTest::newRow("two bytes after unstuffing") << QByteArray::fromHex("7e7d3e017f") << DecodeResult::ShortBody;
    QTest::newRow("flipped payload bit") << QByteArray::fromHex("7e4086017f") << DecodeResult::CrcMismatch;
    QTest::newRow("flipped crc bit") << QByteArray::fromHex("7e4186037f") << DecodeResult::CrcMismatch;
    QTest::newRow("swapped crc bytes") << QByteArray::fromHex("7e4101867f") << DecodeResult::CrcMismatch;
    QTest::newRow("second start byte is data") << QByteArray::fromHex("7e7e4186017f") << DecodeResult::CrcMismatch;
}

void TestFrameCodec::rejects()
{
    QFETCH(QByteArray, collected);
    QFETCH(DecodeResult, expected);
    QByteArray payload = "untouched";
    QCOMPARE(framecodec::decodeFrame(collected, &payload), expected);
    QCOMPARE(payload, QByteArray("untouched"));
}

void TestFrameCodec::roundTripsRandomPayloads()
{
    QRandomGenerator random(20261206);
    for (int i = 0; i < 2000; ++i) {
        QByteArray payload(1 + random.bounded(600), '\0');
        for (char &c : payload) // bias towards the escaped values so that every frame exercises stuffing
            c = static_cast<char>(random.bounded(4) == 0 ? 0x7D + random.bounded(3) : random.bounded(256));
        const QByteArray frame = framecodec::encodeFrame(payload);
        QVERIFY(frame.size() >= payload.size() + 4 && frame.size() <= 2 * payload.size() + 6);
        QCOMPARE(frame.indexOf(framecodec::endByte), frame.size() - 1);
        QByteArray decoded;
        QCOMPARE(framecodec::decodeFrame(frame + QByteArray::fromHex("7e99"), &decoded), DecodeResult::Ok);
        QCOMPARE(decoded, payload);
    }
}

void TestFrameCodec::trailingEscapeStandsForZeroByte()
{
    QCOMPARE(framecodec::unstuff(QByteArray::fromHex("417d")), QByteArray::fromHex("4140"));
    // An escaped escape is data, never the start of another escape.
    QCOMPARE(framecodec::unstuff(QByteArray::fromHex("7d3d3e")), QByteArray::fromHex("7d3e"));
}

QTEST_GUILESS_MAIN(TestFrameCodec)
#include "tst_framecodec.moc"
