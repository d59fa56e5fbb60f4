#include "ui/formdevice.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QTranslator>
#include <QtTest>

class TestFormDevice : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void showsVersion_data();
    void showsVersion();
    void showsReportedTexts_data();
    void showsReportedTexts();
    void captionsStayUntranslated();
    void takesASeventhOfTheParentHeight_data();
    void takesASeventhOfTheParentHeight();
    void showsPictureScaledDown();
    void arrangesRows_data();
    void arrangesRows();

private:
    QWidget window;
};

void TestFormDevice::init()
{
    window.resize(576, 700);
}

void TestFormDevice::showsVersion_data()
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

void TestFormDevice::showsVersion()
{
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(int, build);
    QFETCH(QString, shown);
    QCOMPARE(displayedVersion(quint8(major), quint8(minor), quint8(build)), shown);
    FormDevice panel(&window, QString(), QString(), quint8(major), quint8(minor), quint8(build));
    QCOMPARE(panel.findChild<QLabel *>(QStringLiteral("fw"))->text(), shown);
}

void TestFormDevice::showsReportedTexts_data()
{
    QTest::addColumn<QString>("hardware");
    QTest::addColumn<QString>("sku");
    QTest::newRow("reported") << "KTL407.001"
                              << "60318";
    QTest::newRow("empty") << QString() << QString();
}

void TestFormDevice::showsReportedTexts()
{
    QFETCH(QString, hardware);
    QFETCH(QString, sku);
    FormDevice panel(&window, hardware, sku, 0, 1, 158);
    QCOMPARE(panel.findChild<QLabel *>(QStringLiteral("hw"))->text(), hardware);
    QCOMPARE(panel.findChild<QLabel *>(QStringLiteral("sku"))->text(), sku);
    QCOMPARE(panel.findChild<QLabel *>(QStringLiteral("label_2"))->text(), QStringLiteral("HW:"));
    QCOMPARE(panel.findChild<QLabel *>(QStringLiteral("label_3"))->text(), QStringLiteral("SKU:"));
}

void TestFormDevice::captionsStayUntranslated()
{
    QTranslator translator;
    QVERIFY(translator.load(QStringLiteral(":/transliterations/ru.qm")));
    QVERIFY(QCoreApplication::installTranslator(&translator));
    FormDevice panel(&window, QStringLiteral("KTL407.001"), QStringLiteral("60318"), 0, 1, 158);
    QCoreApplication::removeTranslator(&translator);
    QCOMPARE(panel.windowTitle(), QStringLiteral("Form"));
    QCOMPARE(panel.findChild<QLabel *>(QStringLiteral("label_2"))->text(), QStringLiteral("HW:"));
    QCOMPARE(panel.findChild<QLabel *>(QStringLiteral("label_3"))->text(), QStringLiteral("SKU:"));
    QCOMPARE(panel.findChild<QLabel *>(QStringLiteral("label_4"))->text(), QStringLiteral("FW:"));
}

void TestFormDevice::takesASeventhOfTheParentHeight_data()
{
    QTest::addColumn<int>("parentHeight");
    QTest::addColumn<int>("height");
    QTest::newRow("700") << 700 << 100;
    QTest::newRow("699") << 699 << 99;
    QTest::newRow("324") << 324 << 46;
}

void TestFormDevice::takesASeventhOfTheParentHeight()
{
    QFETCH(int, parentHeight);
    QFETCH(int, height);
    window.resize(576, parentHeight);
    FormDevice panel(&window, QString(), QString(), 0, 1, 158);
    QCOMPARE(panel.minimumHeight(), height);
    QCOMPARE(panel.maximumHeight(), height);
    QCOMPARE(panel.height(), height);
}

void TestFormDevice::showsPictureScaledDown()
{
    FormDevice panel(&window, QString(), QString(), 0, 1, 158);
    const QPixmap picture = panel.findChild<QLabel *>(QStringLiteral("label"))->pixmap(Qt::ReturnByValue);
    QCOMPARE(picture.size(), QSize(60, 46));
}

void TestFormDevice::arrangesRows_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("alignment");
    const int caption = Qt::AlignLeft | Qt::AlignVCenter;
    QTest::newRow("HW caption") << "label_2" << 0 << 0 << caption;
    QTest::newRow("HW value") << "hw" << 0 << 1 << 0;
    QTest::newRow("SKU caption") << "label_3" << 1 << 0 << caption;
    QTest::newRow("SKU value") << "sku" << 1 << 1 << 0;
    QTest::newRow("FW caption") << "label_4" << 2 << 0 << caption;
    QTest::newRow("FW value") << "fw" << 2 << 1 << 0;
}

void TestFormDevice::arrangesRows()
{
    QFETCH(QString, name);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(int, alignment);
    FormDevice panel(&window, QString(), QString(), 0, 1, 158);

    // The designer's row of spacer, picture, grid, spacer now lays out the whole panel.
    auto *panelLayout = qobject_cast<QHBoxLayout *>(panel.layout());
    QVERIFY(panelLayout != nullptr);
    QCOMPARE(panelLayout->objectName(), QStringLiteral("horizontalLayout"));
    QCOMPARE(panelLayout->count(), 4);
    QVERIFY(panelLayout->itemAt(0)->spacerItem() != nullptr && panelLayout->itemAt(3)->spacerItem() != nullptr);
    QCOMPARE(panelLayout->itemAt(1)->widget()->objectName(), QStringLiteral("label"));
    auto *grid = qobject_cast<QGridLayout *>(panelLayout->itemAt(2)->layout());
    QVERIFY(grid != nullptr);
    QCOMPARE(grid->objectName(), QStringLiteral("gridLayout"));

    QLayoutItem *cell = grid->itemAtPosition(row, column);
    QVERIFY(cell != nullptr && cell->widget() != nullptr);
    QCOMPARE(cell->widget()->objectName(), name);
    QCOMPARE(cell->widget()->parentWidget(), &panel);
    QCOMPARE(int(cell->alignment()), alignment);
}

QTEST_MAIN(TestFormDevice)
#include "tst_formdevice.moc"
