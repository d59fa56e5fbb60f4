#include "app/startup.h"
#include "ui/mainwindow.h"

#include <QApplication>
#include <QDebug>
#include <QLocale>
#include <QScreen>
#include <QTranslator>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTranslator translator;
    const QString localeName = QLocale::system().name();
    qDebug() << "System locale:" << localeName;
    loadCatalogue(translator, localeName);
    QApplication::installTranslator(&translator);

    const auto screens = QGuiApplication::screens();
    const QSize size = screens.isEmpty() ? fallbackWindowSize() : windowSizeForScreen(screens.first()->size());
    MainWindow window(nullptr, size);
    window.show();
    return app.exec();
}
