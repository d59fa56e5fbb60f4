#include "app/singleinstance.h"
#include "app/startup.h"
#include "app/version.h"
#include "ui/mainwindow.h"

#include <QApplication>
#include <QTranslator>

int main(int argc, char *argv[])
{
    enableHighDpiScaling();
    QApplication app(argc, argv);
    // The name the run history's folder and the lock against a second start take (app/runhistory.h,
    // app/singleinstance.h), whatever the program file is called.
    QCoreApplication::setApplicationName(QStringLiteral(KZ_PROGRAM_NAME));
    SingleInstance instance;
    if (!instance.claim()) {
        instance.askToShow();
        return 0;
    }
    QTranslator translator;
    QTranslator toolkitTranslator;
    installCatalogues(translator, toolkitTranslator);
    MainWindow window(nullptr, initialWindowSize());
    QObject::connect(&instance, &SingleInstance::showRequested, &window, [&window] {
        window.showNormal();
        window.raise();
        window.activateWindow();
    });
    window.show();
    return app.exec();
}
