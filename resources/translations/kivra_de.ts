<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE" sourcelanguage="ru_RU">
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
        <translation>Während der Ausführung ist ein Fehler aufgetreten. Bitte starten Sie das Programm neu.</translation>
    </message>
    <message>
        <source>В процессе выполнения возникла ошибка. Пожалуйста, переустановите приложение.</source>
        <translation>Während der Ausführung ist ein Fehler aufgetreten. Bitte installieren Sie die Anwendung neu.</translation>
    </message>
    <message>
        <source>Ваша версия Windows несовместима с данной программой. Дальнейшая работа невозможна. Обратитесь в службу поддержки email.</source>
        <translation>Die Windows-Version ist nicht mit dem Programm kompatibel. Wenden Sie sich an den Support: support@kivra-zid.example.</translation>
    </message>
    <message>
        <source>Завершение работы...</source>
        <translation>Herunterfahren ...</translation>
    </message>
    <message>
        <source>Мы готовы обновить Ваше устройство. Для запуска процесса обновления нажмите &quot;Ok&quot;.
ВАЖНО! Не отсоединяйте Ваше устройство во время обновления!</source>
        <translation>Ihr Gerät ist vorbereitet. Um den Update-Vorgang zu starten, klicken Sie auf &quot;Ok&quot;. 
WICHTIG! Trennen Sie Ihr Gerät während des Updates nicht!</translation>
    </message>
    <message>
        <source>Начат процесс обновления. Не отключайте устройство!</source>
        <translation>Der Update-Vorgang hat begonnen. Trennen Sie das Gerät nicht!</translation>
    </message>
    <message>
        <source>Несовместимая версия Windows</source>
        <translation>Inkompatible Version von Windows</translation>
    </message>
    <message>
        <source>Обновление не подходит для этого устройства!</source>
        <translation>Das Update ist für dieses Gerät nicht geeignet!</translation>
    </message>
    <message>
        <source>Обновление устройства</source>
        <translation>Geräteaktualisierung</translation>
    </message>
    <message>
        <source>Подключение устройства</source>
        <translation>Gerät anschließen</translation>
    </message>
    <message>
        <source>Пожалуйста, включите и подключите Ваше устройство и нажмите &quot;Ok&quot;</source>
        <translation>Schalten Sie KIVRA KEY ein, stecken Sie es in einen USB-Port und klicken Sie auf &quot;OK&quot;.</translation>
    </message>
    <message>
        <source>Поиск драйвера ...</source>
        <translation>Suche nach Treiber …</translation>
    </message>
    <message>
        <source>Поиск устройства ...</source>
        <translation>Gerätesuche</translation>
    </message>
    <message>
        <source>Проверка драйвера ...</source>
        <translation>Treiber prüfen…</translation>
    </message>
    <message>
        <source>Процесс обновления успешно завершен!</source>
        <translation>Der Update-Vorgang wurde erfolgreich abgeschlossen!</translation>
    </message>
    <message>
        <source>Установка драйвера...</source>
        <translation>Treiberinstallation …</translation>
    </message>
    <message>
        <source>Устройство не найдено</source>
        <translation>Gerät nicht gefunden</translation>
    </message>
    <message>
        <source>Устройство обновлено до последней версии.</source>
        <translation>Das Gerät wird auf die neueste Version aktualisiert.</translation>
    </message>
    <message>
        <source>драйвер не обнаружен.</source>
        <translation>Treiber nicht gefunden.</translation>
    </message>
    <message>
        <source>драйвер обнаружен.</source>
        <translation>Treiber gefunden.</translation>
    </message>
    <message>
        <source>установка завершена.</source>
        <translation>Treiber installiert</translation>
    </message>
    <message>
        <source>не удалось распаковать пакет драйвера.</source>
        <translation>Treiberpaket konnte nicht entpackt werden.</translation>
    </message>
    <message>
        <source>установка...</source>
        <translation>installation…</translation>
    </message>
    <message>
        <source>устройство найдено.</source>
        <translation>Gefundene Gerät: Kivra Zid,</translation>
    </message>
    <message>
        <source>Окно закроется после завершения обновления.</source>
        <translation>Das Fenster wird nach Abschluss der Aktualisierung geschlossen.</translation>
    </message>
</context>
<context>
    <name>SingleInstance</name>
    <message>
        <source>Программа обновления уже запущена, но не отвечает. Подождите немного или завершите её и запустите программу снова.</source>
        <translation>Das Update-Programm läuft bereits, reagiert aber nicht. Warten Sie einen Moment oder beenden Sie es und starten Sie das Programm erneut.</translation>
    </message>
</context>
</TS>
