#include "app/startup.h"

#include "app/logging.h"
#include "app/singleinstance.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <QTranslator>

#include <cmath>

namespace {
constexpr double windowShareOfScreen = 0.3;
const QSize fallbackScreenSize(1920, 1080);

int roundHalfUp(double x)
{
    return static_cast<int>(std::floor(x + 0.5));
}
} // namespace

void enableHighDpiScaling()
{
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
}

QSize windowSizeForScreen(QSize screen)
{
    return QSize(roundHalfUp(windowShareOfScreen * screen.width()), roundHalfUp(windowShareOfScreen * screen.height()));
}

QSize fallbackWindowSize()
{
    return windowSizeForScreen(fallbackScreenSize);
}

bool loadCatalogue(QTranslator &translator, const QString &localeName)
{
    if (translator.load(QStringLiteral(":/transliterations/") + localeName))
        return true;
    translator.load(QStringLiteral(":/transliterations/en"));
    return false;
}

bool loadToolkitCatalogue(QTranslator &toolkit, const QTranslator &client, bool clientFound)
{
    const QString language = client.language();
    if (!clientFound || language.isEmpty() || language.startsWith(QLatin1String("en")))
        return false;
    const QString name = QStringLiteral("qtbase_") + language;
    if (toolkit.load(name, QCoreApplication::applicationDirPath()) ||
        toolkit.load(name, QLibraryInfo::location(QLibraryInfo::TranslationsPath)))
        return true;
    qCDebug(lcStartup) << "No toolkit catalogue" << name;
    return false;
}

void installCatalogues(QTranslator &client, QTranslator &toolkit)
{
    const QString localeName = QLocale::system().name();
    qCDebug(lcStartup) << "System locale:" << localeName;
    loadToolkitCatalogue(toolkit, client, loadCatalogue(client, localeName));
    QApplication::installTranslator(&client);
    QApplication::installTranslator(&toolkit);
}

bool startAsOnlyClient(SingleInstance &instance, QTranslator &client, QTranslator &toolkit)
{
    const SingleInstance::Start start = instance.start();
    if (start == SingleInstance::Start::Shown)
        return false;
    installCatalogues(client, toolkit);
    if (start == SingleInstance::Start::Run)
        return true;
    SingleInstance::tellUnanswered();
    return false;
}

QSize initialWindowSize()
{
    const auto screens = QGuiApplication::screens();
    return screens.isEmpty() ? fallbackWindowSize() : windowSizeForScreen(screens.first()->size());
}
