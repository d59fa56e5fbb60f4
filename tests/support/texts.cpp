#include "texts.h"

#include "release.h"

#include <QMap>
#include <QVector>

namespace texts {
WordedPrompt promptIn(const QString &localeName)
{
    static const QMap<QString, WordedPrompt> prompts{
        {"en", {"Connecting unit", "Turn KIVRA KEY on, connect it to USB port and click \"OK\"", "OK", "Cancel"}},
        {"de",
         {"Gerät anschließen",
          "Schalten Sie KIVRA KEY ein, stecken Sie es in einen USB-Port und klicken Sie auf \"OK\".", "OK",
          "Abbrechen"}},
        {"es",
         {"Conexión del dispositivo", "Encienda KIVRA KEY, conéctese al puerto USB y haga clic en \"OK\"", "OK",
          "Cancelar"}},
        {"fr",
         {"Connexion de l'appareil", "Allumez KIVRA KEY, connectez-le au port USB, et cliquez sur OK", "OK",
          "Annuler"}},
        {"pl", {"Podłączenie urządzenia", "Włącz KIVRA KEY, podłącz je do portu USB i kliknij \"OK\"", "OK", "Anuluj"}},
        {"ru",
         {"Подключение устройства", "Включите KIVRA KEY, подключите к USB порту и нажмите \"OK\"", "OK", "Отмена"}},
    };
    return prompts.value(localeName.left(2), prompts.value("en"));
}
} // namespace texts

QString row(const QString &step, const QString &result, const char *icon)
{
    return step + QStringLiteral(" | ") + result + QStringLiteral(" | ") + QLatin1String(icon);
}

// Defined after the texts they are made of, in the same file, so that they are made after them.
namespace seen {
const QString driverRow = row(texts::driverSearch, texts::driverFound, "ok");
const QString foundRow = row(texts::searching, texts::found, "ok");
const QStringList updateBoxes{texts::connectPrompt, texts::ready, texts::success, texts::upToDate};

QList<quint8> updateRequests()
{
    return QList<quint8>{0x08, 0x02, 0x08, 0x03, 0x08} + QVector<quint8>(carried::pages(), 0x09).toList() +
           QList<quint8>{0x1B, 0x03, 0x08, 0x02};
}

QString panelReadAloud(const QString &shownVersion, const QString &sku)
{
    return QStringLiteral("HW: KTL407.001\nSKU: %1\nFW: %2").arg(sku, shownVersion);
}

QStringList wholeUpdateRows()
{
    const auto panel = [](const QString &shown) { return QStringLiteral("[panel KTL407.001 60318 %1]").arg(shown); };
    return QStringList{driverRow, foundRow, panel(carried::previousRelease), row({}), "== " + texts::started} +
           QStringList{foundRow, panel(carried::release), row({}), "== " + texts::upToDate, row(texts::shuttingDown)};
}
} // namespace seen
