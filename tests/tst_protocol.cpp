// The line protocol without a line: checksums, frames, requests, the identity and the update decision. (Images laid
// into pages: tst_workflowfaults; the answers to pages and finish: the reply-check fuzzer.)

#include "device/firmwareimage.h"
#include "device/protocol.h"
#include "device/updatedecision.h"
#include "serial/framecodec.h"

#include <QtTest>

using framecodec::DecodeResult;
Q_DECLARE_METATYPE(DecodeResult)
Q_DECLARE_METATYPE(UpdateDecision)

class TestProtocol : public QObject
{
    Q_OBJECT

private slots:
    // The frames' own CRC is held by the known frames below.
    void imageChecksum() { QCOMPARE(firmwareimage::crc16Modbus("123456789"), quint16(0x4B37)); }

    // A payload's frame, read back up to its end byte; and collections that hold no frame, the payload left untouched.
    void frames_data()
    {
        QTest::addColumn<QByteArray>("collected"); // a frame, then what came after it
        QTest::addColumn<DecodeResult>("result");
        QTest::addColumn<QByteArray>("payload");
        const auto row = [](const char *name, const char *hex, DecodeResult r,
                            const QByteArray &payload = "untouched") {
            QTest::newRow(name) << QByteArray::fromHex(hex) << r << payload;
        };
        row("escaped start byte", "7e01027d3e100d7f7e99", DecodeResult::Ok, QByteArray::fromHex("01027e"));
        row("escaped crc byte", "7e157d3d807f7e99", DecodeResult::Ok, QByteArray::fromHex("15"));
        row("abc", "7e616263dbca7f7e99", DecodeResult::Ok, "abc");
        row("nothing", "", DecodeResult::NoStartByte);
        row("stray byte before a good frame", "007e4186017f", DecodeResult::NoStartByte);
        row("no end byte", "7e418601", DecodeResult::NoEndByte);
        row("empty body", "7e7f", DecodeResult::EmptyBody);
        row("two bytes after unstuffing", "7e7d3e017f", DecodeResult::ShortBody);
        row("swapped crc bytes", "7e4101867f", DecodeResult::CrcMismatch);
        row("second start byte is data", "7e7e4186017f", DecodeResult::CrcMismatch);
    }

    void frames()
    {
        QFETCH(QByteArray, collected);
        QFETCH(DecodeResult, result);
        QFETCH(QByteArray, payload);
        QByteArray decoded = "untouched";
        QCOMPARE(framecodec::decodeFrame(collected, &decoded), result);
        QCOMPARE(decoded, payload);
        if (result == DecodeResult::Ok)
            QCOMPARE(framecodec::encodeFrame(payload).toHex(' '),
                     collected.left(collected.indexOf('\x7f') + 1).toHex(' '));
    }

    // Each request as the device reads it: the code, then its fields without gaps, numbers low byte first.
    void requests_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray page(512, 'p');
        QTest::newRow("status") << protocol::readBlockRequest(0x08, 0, 12) << QByteArray::fromHex("080c0000000000");
        QTest::newRow("identify") << protocol::identifyRequest() << QByteArray::fromHex("02");
        QTest::newRow("enter update mode") << protocol::setUpdateModeRequest(true) << QByteArray::fromHex("0301");
        QTest::newRow("leave update mode") << protocol::setUpdateModeRequest(false) << QByteArray::fromHex("0300");
        QTest::newRow("page") << protocol::writePageRequest(0x01020400, page.constData())
                              << QByteArray::fromHex("09000200040201") + page;
        QTest::newRow("finish") << protocol::finishImageRequest(0x32000, 0x1234)
                                << QByteArray::fromHex("1b1000002003003412ffffffffffffffffffff");
    }

    void requests()
    {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, bytes);
        QCOMPARE(request.toHex(' '), bytes.toHex(' '));
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

    // Hardware "KTL407.001" and SKU "60318", compared whole and letter for letter, before any version; then versions
    // as unsigned bytes, major first. (The image's own version, newer minor or major: tst_workflow.)
    void updateDecision_data()
    {
        QTest::addColumn<QString>("hardware");
        QTest::addColumn<QString>("sku");
        QTest::addColumn<QString>("version");
        QTest::addColumn<UpdateDecision>("decision");
        const auto carried = [](int buildOffset) {
            return QStringLiteral("%1.%2.%3")
                .arg(carriedImage::major)
                .arg(carriedImage::minor)
                .arg(carriedImage::build + buildOffset);
        };
        static_assert(carriedImage::build > 0 && carriedImage::build < 255, "a build on either side of the image");
        const QString image = carried(0), older = carried(-1), newer = carried(+1);
        const auto row = [](const char *name, const char *hardware, const char *sku, const QString &version,
                            UpdateDecision decision) { QTest::newRow(name) << hardware << sku << version << decision; };
        row("one build older", "KTL407.001", "60318", older, UpdateDecision::Update);
        row("older minor, higher build", "KTL407.001", "60318", "0.0.255", UpdateDecision::Update);
        row("one build newer: not downgraded", "KTL407.001", "60318", newer, UpdateDecision::DeviceNewer);
        row("another hardware", "KTL407.002", "60318", image, UpdateDecision::NotSuitable);
        row("hardware in lower case", "ktl407.001", "60318", older, UpdateDecision::NotSuitable);
        row("SKU with a trailing blank", "KTL407.001", "60318 ", older, UpdateDecision::NotSuitable);
        row("empty identity", "", "", image, UpdateDecision::NotSuitable);
    }

    void updateDecision()
    {
        QFETCH(QString, hardware);
        QFETCH(QString, sku);
        QFETCH(QString, version);
        QFETCH(UpdateDecision, decision);
        const QStringList v = version.split('.');
        QCOMPARE(decideUpdate(hardware, sku, quint8(v[0].toUInt()), quint8(v[1].toUInt()), quint8(v[2].toUInt())),
                 decision);
    }
};

QTEST_GUILESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
