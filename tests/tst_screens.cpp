// The window on the common screens at the common scalings, in every language: each text of the step table whole in
// its cell as the view draws it, the device panel whole and clear of the next row, the window and its boxes on the
// screen, and the window no larger than that needs. One process per screen and scaling (`tst_screens --scaling
// PERCENT [--picture FILE]`): CTest's matrix on Qt's VNC platform here, scripts/windows under Wine.

#include "app/constants.h"
#include "app/startup.h"
#include "sim/system/scriptedsystem.h"
#include "sim/user/windowsession.h"
#include "support/texts.h"
#include "ui/formdevice.h"
#include "ui/mainwindow.h"
#include "ui/steptable.h"
#include "ui/steptexts.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QScreen>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <QTranslator>
#include <QtTest>

namespace {
constexpr int panelRow = rowsAbovePanel;

// Every text a run can write, one per row, the device panel where a run first shows it, and the progress bar.
void fillWithEveryText(MainWindow &window)
{
    auto *steps = window.findChild<StepTable *>();
    steps->setPanel(panelRow, new FormDevice(&window, deviceType, deviceSku, 255, 255, 255));
    int row = 0;
    for (const StepText text : allStepTexts()) {
        row += row == panelRow ? 2 : 0;
        const StepCell cell = stepCell(text);
        if (cell == StepCell::Line) {
            steps->setLine(row, stepText(text));
        } else {
            steps->setStep(row, stepText(cell == StepCell::Result ? StepText::SearchingDevice : text));
            if (cell == StepCell::Result)
                steps->setResult(row, stepText(text));
            if (cell != StepCell::ClosingLine)
                steps->markOutcome(row, row % 2 == 0);
        }
        ++row;
    }
    window.findChild<QProgressBar *>()->show();
}

// The texts of the table that their cells cut, and what keeps the panel from being read whole.
QStringList faults(const MainWindow &window)
{
    QApplication::processEvents();
    QStringList found;
    const auto *view = window.findChild<QTableView *>();
    const QAbstractItemModel *model = view->model();
    QStyle *style = view->style();
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    const int icon = style->pixelMetric(QStyle::PM_SmallIconSize, nullptr, view);
    for (int row = 0; row < model->rowCount(); ++row) {
        for (int column = 1; column < model->columnCount(); ++column) {
            const QModelIndex index = model->index(row, column);
            QStyleOptionViewItem option;
            option.initFrom(view);
            option.font = view->font(); // as the view hands it to its delegate
            option.rect = view->visualRect(index);
            option.text = index.data().toString();
            option.features = QStyleOptionViewItem::HasDisplay;
            if (!index.data(Qt::DecorationRole).isNull()) {
                option.features |= QStyleOptionViewItem::HasDecoration;
                option.decorationSize = QSize(icon, icon);
            }
            const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &option, view);
            const QFontMetrics metrics(view->font());
            if (metrics.elidedText(option.text, view->textElideMode(), textRect.width() - 2 * margin) != option.text ||
                (!option.text.isEmpty() && textRect.height() < metrics.height()))
                found << option.text;
        }
    }
    // The panel is looked at as the first search shows it, with the rows above it: the table at its top.
    const_cast<QTableView *>(view)->scrollToTop();
    QApplication::processEvents();
    const QWidget *panel = view->indexWidget(model->index(panelRow, 1));
    for (const QLabel *label : panel->findChildren<QLabel *>()) {
        if (!label->isHidden() &&
            (label->width() < label->sizeHint().width() || label->height() < label->sizeHint().height() ||
             !panel->rect().contains(label->geometry())))
            found << QStringLiteral("panel line %1").arg(label->objectName());
    }
    if (!view->viewport()->rect().contains(panel->geometry()))
        found << QStringLiteral("panel outside the table");
    if (panel->geometry().intersects(view->visualRect(model->index(panelRow + 2, 1))))
        found << QStringLiteral("panel over the next row");
    return found;
}

} // namespace

class TestThisScreen : public QObject
{
    Q_OBJECT

public:
    TestThisScreen(int percent, QString picture) : percent(percent), picture(std::move(picture)) {}

private slots:
    void readable_data()
    {
        QTest::addColumn<QString>("language");
        for (const QString &language : texts::languages)
            QTest::newRow(qPrintable(language)) << language;
    }

    // The window as start-up makes it, at the screen's bottom: the prompt its run opens over its lower half is still
    // on the screen; cancelled, the window closes itself. Shown again, it holds every text a run can write.
    void readable()
    {
        QFETCH(QString, language);
        // The scaling taken as it is.
        QVERIFY(qAbs(QGuiApplication::primaryScreen()->devicePixelRatio() - percent / 100.0) < 1e-6);
        QTranslator translator;
        QVERIFY(loadCatalogue(translator, language));
        QCoreApplication::installTranslator(&translator);
        WindowSession session;
        const QSize formula = session.windowSize = initialWindowSize();
        session.newWindow(std::make_unique<ScriptedSystem>());
        MainWindow &window = *session.window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QRect area = window.screen()->availableGeometry();
        window.move(area.left(), area.bottom() + 1 - window.frameGeometry().height());
        QStringList breaches;
        QObject::connect(&session.user, &BoxAnswerer::shown, &window, [&] {
            const QWidget *box = QApplication::activeModalWidget();
            if (box == nullptr || !area.contains(box->frameGeometry()))
                breaches << QStringLiteral("box off the screen");
        });
        session.user.enqueue(QMessageBox::Cancel);
        QSignalSpy shown(&session.user, &BoxAnswerer::shown);
        QVERIFY(shown.wait(20000));
        QCOMPARE(shown.first().first().toString(),
                 QCoreApplication::translate("MainWindow", texts::connectPrompt.toUtf8().constData()));
        QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), 20000);
        // Shown again from the screen's corner: at its bottom the frame Wine reports only later would count against it.
        window.move(area.topLeft());
        fillWithEveryText(window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *view = window.findChild<QTableView *>();
        const QSize size = window.size();
        const int stepColumn = view->columnWidth(1);
        const int panel = view->indexWidget(view->model()->index(panelRow, 1))->height();
        breaches << faults(window);
        if (language == QLatin1String("en") && !picture.isEmpty()) {
            const QRect inside = window.geometry(); // from the screen, as shown; the frame is the system's
            window.screen()->grabWindow(0, inside.x(), inside.y(), inside.width(), inside.height()).save(picture);
        }

        // Cut at one pixel less, or with a step column of a third?
        const auto cutWith = [&](QSize smaller, int column) {
            window.setFixedSize(smaller);
            view->setColumnWidth(1, column);
            const bool cut = !faults(window).isEmpty();
            window.setFixedSize(size);
            view->setColumnWidth(1, stepColumn);
            return cut;
        };
        if (!area.contains(window.frameGeometry()))
            breaches << QStringLiteral("window off the screen");
        if (size.width() < formula.width() || size.height() < formula.height() ||
            view->columnWidth(0) != formula.width() / 30 || stepColumn < formula.width() / 3)
            breaches << QStringLiteral("smaller than the formula's window");
        if (stepColumn > formula.width() / 3 && !cutWith(size, formula.width() / 3))
            breaches << QStringLiteral("step column wider than a third where a third shows every step");
        if (size.width() > formula.width() && !cutWith(size - QSize(1, 0), stepColumn))
            breaches << QStringLiteral("wider than it must be");
        if (size.height() > formula.height() && !cutWith(size - QSize(0, 1), stepColumn))
            breaches << QStringLiteral("higher than it must be");
        // A row written below every other, as the acknowledgement of a held close is in a long run, comes into view.
        const int newest = view->model()->rowCount();
        window.findChild<StepTable *>()->setLine(newest, stepText(StepText::CloseHeld));
        QApplication::processEvents();
        if (!view->viewport()->rect().contains(view->visualRect(view->model()->index(newest, 1))))
            breaches << QStringLiteral("newest row out of view");
        // A new window placed past the screen's corner (as a cascade may put it) moves itself in once shown.
        session.newWindow(std::make_unique<ScriptedSystem>());
        MainWindow &placed = *session.window;
        placed.move(area.bottomRight() - QPoint(100, 100));
        placed.show();
        if (!QTest::qWaitForWindowExposed(&placed) ||
            !QTest::qWaitFor([&] { return area.contains(placed.frameGeometry()); }))
            breaches << QStringLiteral("window placed off the screen stays there");
        QVERIFY2(breaches.isEmpty(), qPrintable(breaches.join(QStringLiteral(" | "))));

        // On the screen the formula was made for, the window is unchanged at 100 % and too small from 150 % on.
        const QScreen *screen = QGuiApplication::primaryScreen();
        const QSize pixels = (QSizeF(screen->size()) * screen->devicePixelRatio()).toSize();
        if (pixels == QSize(1920, 1080) && percent == 100) {
            QCOMPARE(size, QSize(576, 324));
            QCOMPARE(panel, 46);
        } else if (pixels == QSize(1920, 1080) && percent >= 150) {
            QVERIFY(size.width() > formula.width());
        }
        if (size != formula || stepColumn != formula.width() / 3)
            qInfo("grew from %dx%d to %dx%d, step column %d", formula.width(), formula.height(), size.width(),
                  size.height(), stepColumn);
    }

private:
    int percent;
    QString picture;
};

int main(int argc, char *argv[])
{
    if (argc < 3 || qstrcmp(argv[1], "--scaling") != 0)
        qFatal("usage: tst_screens --scaling PERCENT [--picture FILE] [Qt Test options]");
    enableHighDpiScaling();
    QApplication app(argc, argv);
#ifndef Q_OS_WIN
    // Windows' 9-point Segoe UI for dialogs: Liberation Sans, with Arial's widths, is the nearest here.
    QApplication::setFont(QFont(QStringLiteral("Liberation Sans"), 9));
    if (QFontInfo(QApplication::font()).family() != QLatin1String("Liberation Sans"))
        qFatal("Liberation Sans is not installed (Debian: fonts-liberation2)");
#endif
    // --scaling PERCENT [--picture FILE], then Qt Test's own options.
    QStringList arguments = QCoreApplication::arguments();
    const int percent = arguments.takeAt(2).toInt();
    arguments.removeAt(1);
    QString picture;
    if (arguments.size() > 2 && arguments.at(1) == QLatin1String("--picture")) {
        picture = arguments.takeAt(2);
        arguments.removeAt(1);
    }
    if (const int points = qEnvironmentVariableIntValue("KZ_ITEM_VIEW_POINTS")) {
        // Set after the application's font, which would clear it: Qt applies a class font when a widget is polished.
        QFont itemViews = QApplication::font();
        itemViews.setPointSize(points);
        QApplication::setFont(itemViews, "QAbstractItemView");
    }
    TestThisScreen screen(percent, picture);
    return QTest::qExec(&screen, arguments);
}

#include "tst_screens.moc"
