// The device panel: the version as the user reads it, the reported texts, its height and its picture.

#include "ui/formdevice.h"

#include <QLabel>
#include <QtTest>

class TestFormDevice : public QObject
{
    Q_OBJECT

    QWidget window;
    static QString label(const FormDevice &panel, const char *name) { return panel.findChild<QLabel *>(name)->text(); }

private slots:
    void init() { window.resize(576, 700); }

    void showsVersion_data()
    {
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<int>("build");
        QTest::addColumn<QString>("shown");
        QTest::newRow("release 1.0.20") << 0 << 1 << 153 << "1.0.20";
        QTest::newRow("carried release 1.0.26") << 0 << 1 << 158 << "1.0.26";
        QTest::newRow("other 0.1 build") << 0 << 1 << 157 << "1.0.157";
        QTest::newRow("0.1.0") << 0 << 1 << 0 << "1.0.0";
        QTest::newRow("other minor") << 0 << 2 << 158 << "0.2.158";
        QTest::newRow("other major") << 1 << 1 << 153 << "1.1.153";
        QTest::newRow("already 1.0.26") << 1 << 0 << 26 << "1.0.26";
        QTest::newRow("unsigned") << 255 << 255 << 255 << "255.255.255";
    }

    void showsVersion()
    {
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(int, build);
        QFETCH(QString, shown);
        FormDevice panel(&window, QString(), QString(), quint8(major), quint8(minor), quint8(build));
        QCOMPARE(label(panel, "fw"), shown);
    }

    void showsReportedTexts()
    {
        FormDevice reported(&window, QStringLiteral("KTL407.001"), QStringLiteral("60318"), 0, 1, 158);
        QCOMPARE(label(reported, "hw"), QStringLiteral("KTL407.001"));
        QCOMPARE(label(reported, "sku"), QStringLiteral("60318"));
        FormDevice empty(&window, QString(), QString(), 0, 1, 158);
        QCOMPARE(label(empty, "hw"), QString());
        QCOMPARE(label(empty, "sku"), QString());
    }

    // A seventh of the parent's height, rounded down; the picture scaled down into 60 x 50.
    void sizes_data()
    {
        QTest::addColumn<int>("parentHeight");
        QTest::addColumn<int>("height");
        QTest::newRow("700") << 700 << 100;
        QTest::newRow("699") << 699 << 99;
    }

    void sizes()
    {
        QFETCH(int, parentHeight);
        QFETCH(int, height);
        window.resize(576, parentHeight);
        FormDevice panel(&window, QString(), QString(), 0, 1, 158);
        QCOMPARE(panel.minimumHeight(), height);
        QCOMPARE(panel.maximumHeight(), height);
        QCOMPARE(panel.findChild<QLabel *>(QStringLiteral("label"))->pixmap(Qt::ReturnByValue).size(), QSize(60, 46));
    }
};

QTEST_MAIN(TestFormDevice)
#include "tst_formdevice.moc"
