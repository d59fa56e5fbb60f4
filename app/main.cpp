#include "app/startup.h"
#include "ui/mainwindow.h"

#include <QApplication>
#include <QTranslator>

int main(int argc, char *argv[])
{
    enableHighDpiScaling();
    QApplication app(argc, argv);
    QTranslator translator;
    QTranslator toolkitTranslator;
    installCatalogues(translator, toolkitTranslator);
    MainWindow window(nullptr, initialWindowSize());
    window.show();
    return app.exec();
}
