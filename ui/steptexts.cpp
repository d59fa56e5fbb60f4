#include "ui/steptexts.h"

#include <QCoreApplication>

#include <iterator>

namespace {
struct Entry
{
    StepCell cell;
    const char *source;
};

// In the order of StepText; the catalogues know these texts in the window's context.
constexpr Entry entries[] = {
    {StepCell::Step, QT_TRANSLATE_NOOP("MainWindow", "Поиск драйвера ...")},
    {StepCell::Step, QT_TRANSLATE_NOOP("MainWindow", "Установка драйвера...")},
    {StepCell::Step, QT_TRANSLATE_NOOP("MainWindow", "Проверка драйвера ...")},
    {StepCell::Step, QT_TRANSLATE_NOOP("MainWindow", "Поиск устройства ...")},
    {StepCell::ClosingLine, QT_TRANSLATE_NOOP("MainWindow", "Завершение работы...")},
    {StepCell::Result, QT_TRANSLATE_NOOP("MainWindow", "драйвер обнаружен.")},
    {StepCell::Result, QT_TRANSLATE_NOOP("MainWindow", "драйвер не обнаружен.")},
    {StepCell::Result, QT_TRANSLATE_NOOP("MainWindow", "не удалось распаковать пакет драйвера.")},
    {StepCell::Result, QT_TRANSLATE_NOOP("MainWindow", "установка...")},
    {StepCell::Result, QT_TRANSLATE_NOOP("MainWindow", "установка завершена.")},
    {StepCell::Result, QT_TRANSLATE_NOOP("MainWindow", "Устройство не найдено")},
    {StepCell::Result, QT_TRANSLATE_NOOP("MainWindow", "устройство найдено.")},
    {StepCell::Line, QT_TRANSLATE_NOOP("MainWindow", "Начат процесс обновления. Не отключайте устройство!")},
    {StepCell::Line, QT_TRANSLATE_NOOP("MainWindow", "Обновление не подходит для этого устройства!")},
    {StepCell::Line, QT_TRANSLATE_NOOP("MainWindow", "Устройство обновлено до последней версии.")},
    {StepCell::Line, QT_TRANSLATE_NOOP("MainWindow", "Окно закроется после завершения обновления.")},
};
static_assert(std::size(entries) == stepTextCount);

const Entry &entry(StepText text)
{
    return entries[static_cast<std::size_t>(text)];
}
} // namespace

QString stepText(StepText text)
{
    return QCoreApplication::translate("MainWindow", entry(text).source);
}

StepCell stepCell(StepText text)
{
    return entry(text).cell;
}
