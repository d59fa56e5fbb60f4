// The window on the common screens at the common display scalings, in every language: nothing cut, nothing off the
// screen, and grown only as far as it must.
//
// Each screen and scaling is a process of its own, as a user's session is: `tst_screens --scaling PERCENT
// [--picture FILE]` checks the screen it is given in all six languages. On Linux the matrix below starts one per
// cell, on Qt's VNC platform with a screen of that size at 96 DPI and QT_SCALE_FACTOR for the scaling; scripts/windows
// runs the Windows build the same way under Wine at 96, 144 and 192 DPI.

#include "app/startup.h"
#include "support/readability.h"
#include "support/texts.h"

#include <QProcess>
#include <QScreen>
#include <QTranslator>
#include <QtTest>

class TestThisScreen : public QObject
{
    Q_OBJECT

public:
    TestThisScreen(int percent, QString picture) : percent(percent), picture(std::move(picture)) {}

private slots:
    void scalingTakenAsItIs()
    {
        QVERIFY(qAbs(QGuiApplication::primaryScreen()->devicePixelRatio() - percent / 100.0) < 1e-6);
    }

    void readable_data()
    {
        QTest::addColumn<QString>("language");
        for (const QString &language : texts::languages)
            QTest::newRow(qPrintable(language)) << language;
    }

    void readable()
    {
        QFETCH(QString, language);
        QTranslator translator;
        QVERIFY(loadCatalogue(translator, language));
        QCoreApplication::installTranslator(&translator);
        const auto report = readability::checkWindow(language == QLatin1String("en") ? picture : QString());
        QCoreApplication::removeTranslator(&translator);
        QVERIFY2(report.breaches.isEmpty(), qPrintable(report.breaches.join(QStringLiteral(" | "))));

        // On the screen the formula was made for, the window is unchanged at 100 % and too small from 150 % on.
        const QScreen *screen = QGuiApplication::primaryScreen();
        const QSize pixels = (QSizeF(screen->size()) * screen->devicePixelRatio()).toSize();
        if (pixels == QSize(1920, 1080) && percent == 100) {
            QCOMPARE(report.window, QSize(576, 324));
            QCOMPARE(report.panel, 46);
        } else if (pixels == QSize(1920, 1080) && percent >= 150) {
            QVERIFY(report.window.width() > report.formula.width());
        }
        if (report.window != report.formula || report.stepColumn != report.formula.width() / 3)
            qInfo("grew from %dx%d to %dx%d, step column %d", report.formula.width(), report.formula.height(),
                  report.window.width(), report.window.height(), report.stepColumn);
    }

private:
    int percent;
    QString picture;
};

class TestScreens : public QObject
{
    Q_OBJECT

private slots:
    void matrix_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<int>("percent");
        QTest::addColumn<int>("itemViewPoints"); // a class font for item views, as Windows sets one; 0 for none
        for (const QSize screen : {QSize(1024, 600), QSize(1280, 720), QSize(1366, 768), QSize(1600, 900),
                                   QSize(1920, 1080), QSize(2560, 1440), QSize(3840, 2160)}) {
            for (const int percent : {100, 125, 150, 200})
                QTest::addRow("%dx%d %d%%", screen.width(), screen.height(), percent) << screen << percent << 0;
        }
        // The table paints with a larger font than the application's, on the small screens.
        for (const QSize screen : {QSize(1280, 720), QSize(1366, 768)}) {
            for (const int percent : {100, 150})
                QTest::addRow("%dx%d %d%% item views at 12 pt", screen.width(), screen.height(), percent)
                    << screen << percent << 12;
        }
    }

    void matrix()
    {
        QFETCH(QSize, screen);
        QFETCH(int, percent);
        QFETCH(int, itemViewPoints);
        // A screen of that many pixels at 96 DPI; port 0 lets the system choose a free one.
        const auto millimetres = [](int pixels) { return QString::number(pixels * 25.4 / 96, 'f', 6); };
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"),
                           QStringLiteral("vnc:size=%1x%2:mmsize=%3x%4:port=0")
                               .arg(screen.width())
                               .arg(screen.height())
                               .arg(millimetres(screen.width()), millimetres(screen.height())));
        environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::number(percent / 100.0));
        QProcess child;
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::MergedChannels);
        QStringList arguments{QStringLiteral("--scaling"), QString::number(percent)};
        if (itemViewPoints > 0)
            arguments << QStringLiteral("--item-view-font") << QString::number(itemViewPoints);
        child.start(QCoreApplication::applicationFilePath(), arguments);
        QVERIFY(child.waitForFinished(120000));
        const QByteArray output = child.readAll();
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, output.constData());
    }
};

int main(int argc, char *argv[])
{
    if (argc < 3 || qstrcmp(argv[1], "--scaling") != 0) {
        QApplication app(argc, argv);
        TestScreens matrix;
        return QTest::qExec(&matrix, argc, argv);
    }
    enableHighDpiScaling();
    QApplication app(argc, argv);
#ifndef Q_OS_WIN
    // The users' font: Windows gives its dialogs 9-point Segoe UI, and Liberation Sans (Arial's widths) is the
    // nearest here. This platform's own default would be 12-point DejaVu Sans.
    QApplication::setFont(QFont(QStringLiteral("Liberation Sans"), 9));
    if (QFontInfo(QApplication::font()).family() != QLatin1String("Liberation Sans"))
        qFatal("Liberation Sans is not installed (Debian: fonts-liberation2)");
#endif
    // --scaling PERCENT [--picture FILE] [--item-view-font POINTS], then Qt Test's own options.
    QStringList arguments = QCoreApplication::arguments();
    const int percent = arguments.takeAt(2).toInt();
    arguments.removeAt(1);
    QString picture;
    if (arguments.size() > 2 && arguments.at(1) == QLatin1String("--picture")) {
        picture = arguments.takeAt(2);
        arguments.removeAt(1);
    }
    if (arguments.size() > 2 && arguments.at(1) == QLatin1String("--item-view-font")) {
        // Set after the application's font, which would clear it: Qt applies a class font when a widget is polished.
        QFont itemViews = QApplication::font();
        itemViews.setPointSize(arguments.takeAt(2).toInt());
        QApplication::setFont(itemViews, "QAbstractItemView");
        arguments.removeAt(1);
    }
    TestThisScreen screen(percent, picture);
    return QTest::qExec(&screen, arguments);
}

#include "tst_screens.moc"
