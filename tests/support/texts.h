#pragma once

// The user-visible texts, in the source language the tests run in, and the languages the client carries. The step
// table's texts come from where the client says them; their spelling is held by the catalogues, which tst_catalogues
// requires to translate every text the client says.

#include "ui/steptexts.h"

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

const QString upToDate = stepText(StepText::UpToDate);
const QString notFound = stepText(StepText::DeviceNotFound);
const QString found = stepText(StepText::DeviceFound);
const QString searching = stepText(StepText::SearchingDevice);
const QString shuttingDown = stepText(StepText::ShuttingDown);
const QString started = stepText(StepText::UpdateStarted);
const QString driverSearch = stepText(StepText::SearchingDriver);
const QString driverFound = stepText(StepText::DriverFound);
const QString driverMissing = stepText(StepText::DriverMissing);
const QString installing = stepText(StepText::InstallingDriver);
const QString installed = stepText(StepText::Installed);
const QString checking = stepText(StepText::CheckingDriver);
} // namespace texts

namespace texts {
// The Cancel button as the toolkit's own catalogue words it, by the two letters of the user's language; the client's
// fallback to English (Italian here, which Qt has and the client has not) keeps the toolkit English too.
inline QString cancelButton(const QString &localeName)
{
    static const QMap<QString, QString> words{
        {"de", "Abbrechen"}, {"es", "Cancelar"}, {"fr", "Annuler"}, {"pl", "Anuluj"}, {"ru", "Отмена"}};
    return words.value(localeName.left(2), QStringLiteral("Cancel"));
}
} // namespace texts
