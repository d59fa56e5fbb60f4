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
    // The name the run history's folder and the lock against a second start take (history/runhistory.h,
    // app/singleinstance.h), whatever the program file is called.
    QCoreApplication::setApplicationName(QStringLiteral(KZ_PROGRAM_NAME));
    SingleInstance instance;
    QTranslator translator;
    QTranslator toolkitTranslator;
    if (!startAsOnlyClient(instance, translator, toolkitTranslator))
        return 0;
    MainWindow window(nullptr, initialWindowSize());
    instance.answerWith([&window] { return window.showForSecondStart(); });
    window.show();
    return app.exec();
}
