// The window as built, its log-line replacement, box placement and event-processing wait.

#include "app/startup.h"
#include "sim/boxanswerer.h"
#include "sim/scriptedsystem.h"
#include "ui/mainwindow.h"

#include <QProgressBar>
#include <QStandardItemModel>
#include <QTableView>
#include <QTextBrowser>
#include <QtTest>

class TestMainWindow : public QObject
{
    Q_OBJECT

    MainWindow *window = nullptr;
    BoxAnswerer *user = nullptr;
    QTextBrowser *log() const { return window->findChild<QTextBrowser *>(QStringLiteral("text_browser")); }

private slots:
    void init()
    {
        window = new MainWindow(nullptr, windowSizeForScreen(QSize(1920, 1080)));
        // The run starts by itself 1.5 s after construction; here the user declines the connection prompt.
        window->setSystemAccess(std::make_unique<ScriptedSystem>());
        user = new BoxAnswerer;
        for (int i = 0; i < 4; ++i)
            user->enqueue(QMessageBox::Cancel);
    }

    void cleanup()
    {
        delete window;
        delete user;
    }

    void constructionFigures()
    {
        window->show();
        QCOMPARE(window->size(), QSize(576, 324));
        QCOMPARE(window->minimumSize(), QSize(576, 324));
        QCOMPARE(window->maximumSize(), QSize(576, 324));
        QCOMPARE(window->windowTitle(), QStringLiteral("ORVAN Kivra Zid update client v 1.0.26"));
        auto *table = window->findChild<QTableView *>(QStringLiteral("tableView"));
        auto *model = qobject_cast<QStandardItemModel *>(table->model());
        QCOMPARE(model->columnCount(), 3);
        QCOMPARE(model->rowCount(), 1);
        QCOMPARE(model->item(0, 1)->text(), QStringLiteral("Поиск драйвера ..."));
        QVERIFY(log()->isHidden());
        QCOMPARE(log()->toPlainText(), QStringLiteral("Поиск драйвера ..."));
        QVERIFY(window->findChild<QProgressBar *>(QStringLiteral("progressBar"))->isHidden());
    }

    void lastLineReplacement()
    {
        log()->append(QStringLiteral("second line"));
        const QString replacement = QStringLiteral("second line\tдрайвер обнаружен.");
        QVERIFY(QMetaObject::invokeMethod(window, "chageLastLineTextBrowser", Q_ARG(QString, replacement)));
        QCOMPARE(log()->toPlainText(), QStringLiteral("Поиск драйвера ...\n") + replacement);
        QCOMPARE(log()->document()->blockCount(), 2);
    }

    // Boxes are shown, then moved down by the offset: half the window's height for the client's boxes.
    void messageBoxOffset()
    {
        window->show();
        QMessageBox box(QMessageBox::Information, QStringLiteral("t"), QStringLiteral("text"), QMessageBox::Ok, window);
        const auto move = [&](int y) {
            return QMetaObject::invokeMethod(window, "moveMessage", Q_ARG(QMessageBox *, &box), Q_ARG(int, 0),
                                             Q_ARG(int, y));
        };
        QVERIFY(move(0));
        QVERIFY(box.isVisible());
        const QPoint shown = box.pos();
        QVERIFY(move(window->height() / 2));
        QCOMPARE(box.pos() - shown, QPoint(0, 162));
    }

    void delayLetsTimersFire()
    {
        bool fired = false;
        QTimer::singleShot(1500, [&] { fired = true; });
        QElapsedTimer clock;
        clock.start();
        window->delay(2000);
        QVERIFY(fired);
        QVERIFY(clock.elapsed() >= 2000);
        QVERIFY2(clock.elapsed() < 2500, "the wait keeps its length");
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
