<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU" sourcelanguage="ru_RU">
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
        <translation>В процессе выполнения возникла ошибка. Пожалуйста, перезапустите программу.</translation>
    </message>
    <message>
        <source>В процессе выполнения возникла ошибка. Пожалуйста, переустановите приложение.</source>
        <translation>В процессе выполнения возникла ошибка. Пожалуйста, переустановите приложение.</translation>
    </message>
    <message>
        <source>Ваша версия Windows несовместима с данной программой. Дальнейшая работа невозможна. Обратитесь в службу поддержки email.</source>
        <translation>Ваша версия Windows несовместима с программой. Обратитесь в службу поддержки: support@kivra-zid.example.</translation>
    </message>
    <message>
        <source>Завершение работы...</source>
        <translation>Завершение работы...</translation>
    </message>
    <message>
        <source>Мы готовы обновить Ваше устройство. Для запуска процесса обновления нажмите &quot;Ok&quot;.
ВАЖНО! Не отсоединяйте Ваше устройство во время обновления!</source>
        <translation>Ваше устройство подготовлено. Для запуска процесса обновления нажмите &quot;Ok&quot;.
ВАЖНО! Не отсоединяйте Ваше устройство во время обновления!</translation>
    </message>
    <message>
        <source>Начат процесс обновления. Не отключайте устройство!</source>
        <translation>Начат процесс обновления. Не отключайте устройство!</translation>
    </message>
    <message>
        <source>Несовместимая версия Windows</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Обновление не подходит для этого устройства!</source>
        <translation>Обновление не подходит для этого устройства!</translation>
    </message>
    <message>
        <source>Обновление устройства</source>
        <translation>Обновление устройства</translation>
    </message>
    <message>
        <source>Подключение устройства</source>
        <translation>Подключение устройства</translation>
    </message>
    <message>
        <source>Пожалуйста, включите и подключите Ваше устройство и нажмите &quot;Ok&quot;</source>
        <translation>Включите KIVRA KEY, подключите к USB порту и нажмите &quot;OK&quot;</translation>
    </message>
    <message>
        <source>Поиск драйвера ...</source>
        <translation>Поиск драйвера ...</translation>
    </message>
    <message>
        <source>Поиск устройства ...</source>
        <translation>Поиск устройства ...</translation>
    </message>
    <message>
        <source>Проверка драйвера ...</source>
        <translation>Проверка драйвера ...</translation>
    </message>
    <message>
        <source>Процесс обновления успешно завершен!</source>
        <translation>Процесс обновления успешно завершен!</translation>
    </message>
    <message>
        <source>Установка драйвера...</source>
        <translation>Установка драйвера...</translation>
    </message>
    <message>
        <source>Устройство не найдено</source>
        <translation>Устройство не найдено</translation>
    </message>
    <message>
        <source>Устройство обновлено до последней версии.</source>
        <translation>Устройство обновлено до последней версии.</translation>
    </message>
    <message>
        <source>драйвер не обнаружен.</source>
        <translation>драйвер не обнаружен.</translation>
    </message>
    <message>
        <source>драйвер обнаружен.</source>
        <translation>драйвер обнаружен.</translation>
    </message>
    <message>
        <source>установка завершена.</source>
        <translation>установка завершена.</translation>
    </message>
    <message>
        <source>не удалось распаковать пакет драйвера.</source>
        <translation>не удалось распаковать пакет драйвера.</translation>
    </message>
    <message>
        <source>установка...</source>
        <translation>установка...</translation>
    </message>
    <message>
        <source>устройство найдено.</source>
        <translation>устройство найдено: Kivra Zid</translation>
    </message>
    <message>
        <source>Окно закроется после завершения обновления.</source>
        <translation>Окно закроется после завершения обновления.</translation>
    </message>
</context>
<context>
    <name>SingleInstance</name>
    <message>
        <source>Программа обновления уже запущена, но не отвечает. Подождите немного или завершите её и запустите программу снова.</source>
        <translation>Программа обновления уже запущена, но не отвечает. Подождите немного или завершите её и запустите программу снова.</translation>
    </message>
</context>
</TS>
