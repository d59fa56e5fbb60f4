#pragma once

// The user-visible texts, in the source language the tests run in (no catalogue is installed), written once so that a
// text the client says in the wrong place, or misspells, fails the runs that expect it; and the languages the client
// carries.

#include "app/product.h"

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTranslator>

namespace texts {
inline const QStringList languages = QStringLiteral(KZ_LANGUAGES).split(QLatin1Char(' '));
inline const QString connectTitle = QStringLiteral("Подключение устройства");
inline const QString connectPrompt =
    QStringLiteral("Пожалуйста, включите и подключите Ваше устройство и нажмите \"Ok\"");
inline const QString updateTitle = QStringLiteral("Обновление устройства");
inline const QString ready =
    QStringLiteral("Мы готовы обновить Ваше устройство. Для запуска процесса обновления нажмите "
                   "\"Ok\".\nВАЖНО! Не отсоединяйте Ваше устройство во время обновления!");
inline const QString success = QStringLiteral("Процесс обновления успешно завершен!");
inline const QString closeHeld = QStringLiteral("Окно закроется после завершения обновления.");
inline const QString restartError =
    QStringLiteral("В процессе выполнения возникла ошибка. Пожалуйста, перезапустите программу.");
inline const QString upToDate = QStringLiteral("Устройство обновлено до последней версии.");
inline const QString notSuitable = QStringLiteral("Обновление не подходит для этого устройства!");
inline const QString notFound = QStringLiteral("Устройство не найдено");
inline const QString found = QStringLiteral("устройство найдено.");
inline const QString searching = QStringLiteral("Поиск устройства ...");
inline const QString shuttingDown = QStringLiteral("Завершение работы...");
inline const QString started = QStringLiteral("Начат процесс обновления. Не отключайте устройство!");
inline const QString driverSearch = QStringLiteral("Поиск драйвера ...");
inline const QString driverFound = QStringLiteral("драйвер обнаружен.");
inline const QString driverMissing = QStringLiteral("драйвер не обнаружен.");
inline const QString installing = QStringLiteral("Установка драйвера...");
inline const QString installed = QStringLiteral("установка завершена.");
inline const QString checking = QStringLiteral("Проверка драйвера ...");

// The connection prompt as a user of each language reads it: its title and text from the client's catalogue, its
// Cancel button in the toolkit's word and its Ok button as "OK", which the text names. By the two letters of the
// user's language; a language the client has not (Italian here, which Qt has) falls back to English, toolkit and all.
struct WordedPrompt
{
    QString title;
    QString text;
    QString ok;
    QString cancel;
};
WordedPrompt promptIn(const QString &localeName);

// While it lives, the toolkit calls the standard Ok button otherwise ("Aceptar", as in Spanish), so that a box whose
// button kept the toolkit's word does not read "OK" in the source language either.
struct OtherOkWord : QTranslator
{
    OtherOkWord() { QCoreApplication::installTranslator(this); }
    QString translate(const char *context, const char *source, const char *, int) const override
    {
        return QByteArray(context) + source == "QPlatformThemeOK" ? QStringLiteral("Aceptar") : QString();
    }
};
} // namespace texts

// A row of the step table as WindowRun::rows() gives it: "step | result | icon".
QString row(const QString &step, const QString &result = {}, const char *icon = "");

// What a user sees of the common runs, as WindowRun::rows() and boxTexts() give it.
namespace seen {
extern const QString driverRow;
extern const QString foundRow;
extern const QString notFoundRow;
extern const QStringList updateBoxes;
// The requests of a whole update of the device on the release before, in order: the search, the switch to update
// mode and one restart poll, the carried image's pages, the finish, the switch back, and the second search.
QList<quint8> updateRequests();
// The device panel of a device of the carried hardware, as a screen reader is given it.
QString panelReadAloud(const QString &shownVersion, const QString &sku = QStringLiteral("60318"));
// The device on the release before: found, updated, found again up to date, and the closing row.
QStringList wholeUpdateRows();
} // namespace seen
