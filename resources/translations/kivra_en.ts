<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="ru_RU">
<context>
    <name>FormDevice</name>
    <message>
        <source>Form</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>HW:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>SKU:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>FW:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>TextLabel</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>MainWindow</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>В процессе выполнения возникла ошибка. Пожалуйста, перезапустите программу.</source>
        <translation>An error occurred during execution. Please restart the program.</translation>
    </message>
    <message>
        <source>В процессе выполнения возникла ошибка. Пожалуйста, переустановите приложение.</source>
        <translation>An error occurred during execution. Please reinstall the application.</translation>
    </message>
    <message>
        <source>Ваша версия Windows несовместима с данной программой. Дальнейшая работа невозможна. Обратитесь в службу поддержки email.</source>
        <translation>Windows version is not compatible with the program. Please contact support: support@kivra-zid.example.</translation>
    </message>
    <message>
        <source>Завершение работы...</source>
        <translation>Shutting down ...</translation>
    </message>
    <message>
        <source>Мы готовы обновить Ваше устройство. Для запуска процесса обновления нажмите &quot;Ok&quot;.
ВАЖНО! Не отсоединяйте Ваше устройство во время обновления!</source>
        <translation>Your device is ready. To start the update process, click &quot;Ok&quot;. 
IMPORTANT! Do not disconnect your device during the update!</translation>
    </message>
    <message>
        <source>Начат процесс обновления. Не отключайте устройство!</source>
        <translation>The update process has begun. Do not disconnect the unit!</translation>
    </message>
    <message>
        <source>Несовместимая версия Windows</source>
        <translation>Incompatible Windows version</translation>
    </message>
    <message>
        <source>Обновление не подходит для этого устройства!</source>
        <translation>The update is not suitable for this device!</translation>
    </message>
    <message>
        <source>Обновление устройства</source>
        <translation>Device update is running</translation>
    </message>
    <message>
        <source>Подключение устройства</source>
        <translation>Connecting unit</translation>
    </message>
    <message>
        <source>Пожалуйста, включите и подключите Ваше устройство и нажмите &quot;Ok&quot;</source>
        <translation>Turn KIVRA KEY on, connect it to USB port and click &quot;OK&quot;</translation>
    </message>
    <message>
        <source>Поиск драйвера ...</source>
        <translation>Searching for driver…</translation>
    </message>
    <message>
        <source>Поиск устройства ...</source>
        <translation>Searching for unit</translation>
    </message>
    <message>
        <source>Проверка драйвера ...</source>
        <translation>Checking driver…</translation>
    </message>
    <message>
        <source>Процесс обновления успешно завершен!</source>
        <translation>The update process has completed successfully!</translation>
    </message>
    <message>
        <source>Установка драйвера...</source>
        <translation>Installing driver…</translation>
    </message>
    <message>
        <source>Устройство не найдено</source>
        <translation>Unit not found</translation>
    </message>
    <message>
        <source>Устройство обновлено до последней версии.</source>
        <translation>The device is updated to the latest version.</translation>
    </message>
    <message>
        <source>драйвер не обнаружен.</source>
        <translation>Driver not found.</translation>
    </message>
    <message>
        <source>драйвер обнаружен.</source>
        <translation>Driver found.</translation>
    </message>
    <message>
        <source>установка завершена.</source>
        <translation>Driver is installed</translation>
    </message>
    <message>
        <source>не удалось распаковать пакет драйвера.</source>
        <translation>Driver package could not be unpacked.</translation>
    </message>
    <message>
        <source>установка...</source>
        <translation>installation…</translation>
    </message>
    <message>
        <source>устройство найдено.</source>
        <translation>Found unit: Kivra Zid,</translation>
    </message>
    <message>
        <source>Окно закроется после завершения обновления.</source>
        <translation>The window will close once the update has finished.</translation>
    </message>
</context>
<context>
    <name>SingleInstance</name>
    <message>
        <source>Программа обновления уже запущена, но не отвечает. Подождите немного или завершите её и запустите программу снова.</source>
        <translation>The update client is already running but does not respond. Wait a moment, or end it and start the program again.</translation>
    </message>
</context>
</TS>
