#include "app/startup.h"
#include "ui/mainwindow.h"

#include <QApplication>
#include <QTranslator>

int main(int argc, char *argv[])
{
    enableHighDpiScaling();
    QApplication app(argc, argv);
    // The name the run history's folder takes (app/runhistory.h), whatever the program file is called.
    QCoreApplication::setApplicationName(QStringLiteral("kivra-zid-update"));
    QTranslator translator;
    QTranslator toolkitTranslator;
    installCatalogues(translator, toolkitTranslator);
    MainWindow window(nullptr, initialWindowSize());
    window.show();
    return app.exec();
}
