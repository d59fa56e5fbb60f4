#pragma once

// The user-visible texts in the source language (no catalogue installed), written once; the client's languages.

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

// The connection prompt in each language (by its two letters): Cancel in the toolkit's word, Ok as "OK", which the
// text names; a language the client has not falls back to English, the toolkit's texts too.
struct WordedPrompt
{
    QString title;
    QString text;
    QString ok;
    QString cancel;
};
WordedPrompt promptIn(const QString &localeName);

// While it lives, the toolkit calls its Ok button "Aceptar", so that a box that kept the toolkit's word shows it.
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
extern const QStringList updateBoxes;
// The requests of a whole update: search, update mode, one restart poll, pages, finish, switch back, second search.
QList<quint8> updateRequests();
// The device panel of a device of the carried hardware, as a screen reader is given it.
QString panelReadAloud(const QString &shownVersion, const QString &sku = QStringLiteral("60318"));
// The device on the release before: found, updated, found again up to date, and the closing row.
QStringList wholeUpdateRows();
} // namespace seen
