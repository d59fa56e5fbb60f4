#pragma once

// The user-visible texts, in the source language the tests run in (no catalogue is installed), written here once so
// that a text the client says in the wrong place, or misspells, fails the runs that expect it; and the languages the
// client carries.

#include <QMap>
#include <QString>
#include <QStringList>

namespace texts {
const QStringList languages{"en", "de", "es", "fr", "pl", "ru"};

const QString connectTitle = QStringLiteral("Подключение устройства");
const QString connectPrompt = QStringLiteral("Пожалуйста, включите и подключите Ваше устройство и нажмите \"Ok\"");
const QString updateTitle = QStringLiteral("Обновление устройства");
const QString ready = QStringLiteral("Мы готовы обновить Ваше устройство. Для запуска процесса обновления нажмите "
                                     "\"Ok\".\nВАЖНО! Не отсоединяйте Ваше устройство во время обновления!");
const QString success = QStringLiteral("Процесс обновления успешно завершен!");
const QString closeHeld = QStringLiteral("Окно закроется после завершения обновления.");
const QString restartError =
    QStringLiteral("В процессе выполнения возникла ошибка. Пожалуйста, перезапустите программу.");

const QString upToDate = QStringLiteral("Устройство обновлено до последней версии.");
const QString notFound = QStringLiteral("Устройство не найдено");
const QString found = QStringLiteral("устройство найдено.");
const QString searching = QStringLiteral("Поиск устройства ...");
const QString shuttingDown = QStringLiteral("Завершение работы...");
const QString started = QStringLiteral("Начат процесс обновления. Не отключайте устройство!");
const QString driverSearch = QStringLiteral("Поиск драйвера ...");
const QString driverFound = QStringLiteral("драйвер обнаружен.");
const QString driverMissing = QStringLiteral("драйвер не обнаружен.");
const QString installing = QStringLiteral("Установка драйвера...");
const QString installed = QStringLiteral("установка завершена.");
const QString checking = QStringLiteral("Проверка драйвера ...");

// The Cancel button as the toolkit's own catalogue words it, by the two letters of the user's language; the client's
// fallback to English (Italian here, which Qt has and the client has not) keeps the toolkit English too.
inline QString cancelButton(const QString &localeName)
{
    static const QMap<QString, QString> words{
        {"de", "Abbrechen"}, {"es", "Cancelar"}, {"fr", "Annuler"}, {"pl", "Anuluj"}, {"ru", "Отмена"}};
    return words.value(localeName.left(2), QStringLiteral("Cancel"));
}
} // namespace texts
