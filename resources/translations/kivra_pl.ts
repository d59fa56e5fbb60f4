<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pl_PL" sourcelanguage="ru_RU">
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
        <translation>Wystąpił błąd podczas wykonywania programu. Uruchom program ponownie.</translation>
    </message>
    <message>
        <source>В процессе выполнения возникла ошибка. Пожалуйста, переустановите приложение.</source>
        <translation>Wystąpił błąd podczas wykonywania aplikacji. Zainstaluj aplikację ponownie.</translation>
    </message>
    <message>
        <source>Ваша версия Windows несовместима с данной программой. Дальнейшая работа невозможна. Обратитесь в службу поддержки email.</source>
        <translation>wersja systemu Windows nie jest kompatybilna z programem. Proszę skontaktować się z obsługą klienta: support@kivra-zid.example</translation>
    </message>
    <message>
        <source>Завершение работы...</source>
        <translation>Zamykanie ...</translation>
    </message>
    <message>
        <source>Мы готовы обновить Ваше устройство. Для запуска процесса обновления нажмите &quot;Ok&quot;.
ВАЖНО! Не отсоединяйте Ваше устройство во время обновления!</source>
        <translation>Twoje urządzenie jest przygotowane. Aby rozpocząć proces aktualizacji, kliknij „Ok”. 
WAŻNE! Nie odłączaj urządzenia podczas aktualizacji!</translation>
    </message>
    <message>
        <source>Начат процесс обновления. Не отключайте устройство!</source>
        <translation>Rozpoczął się proces aktualizacji. Nie odłączaj urządzenia!</translation>
    </message>
    <message>
        <source>Несовместимая версия Windows</source>
        <translation>Niezgodna wersja systemu Windows</translation>
    </message>
    <message>
        <source>Обновление не подходит для этого устройства!</source>
        <translation>Aktualizacja nie jest odpowiednia dla tego urządzenia!</translation>
    </message>
    <message>
        <source>Обновление устройства</source>
        <translation>Trwa aktualizacja urządzenia</translation>
    </message>
    <message>
        <source>Подключение устройства</source>
        <translation>Podłączenie urządzenia</translation>
    </message>
    <message>
        <source>Пожалуйста, включите и подключите Ваше устройство и нажмите &quot;Ok&quot;</source>
        <translation>Włącz KIVRA KEY, podłącz je do portu USB i kliknij &quot;OK&quot;</translation>
    </message>
    <message>
        <source>Поиск драйвера ...</source>
        <translation>Trwa wyszukiwanie sterownika …</translation>
    </message>
    <message>
        <source>Поиск устройства ...</source>
        <translation>Wyszukiwanie urządzenia …</translation>
    </message>
    <message>
        <source>Проверка драйвера ...</source>
        <translation>Sprawdzenie sterownika ...</translation>
    </message>
    <message>
        <source>Процесс обновления успешно завершен!</source>
        <translation>Proces aktualizacji zakończył się pomyślnie!</translation>
    </message>
    <message>
        <source>Установка драйвера...</source>
        <translation>Trwa instalacja sterownika…</translation>
    </message>
    <message>
        <source>Устройство не найдено</source>
        <translation>Urządzenie nie zostało odnalezione</translation>
    </message>
    <message>
        <source>Устройство обновлено до последней версии.</source>
        <translation>Podłączone urządzenie jest zaktualizowane do najnowszej wersji.</translation>
    </message>
    <message>
        <source>драйвер не обнаружен.</source>
        <translation>Sterownik nie został znaleziony.</translation>
    </message>
    <message>
        <source>драйвер обнаружен.</source>
        <translation>Sterownik został znaleziony.</translation>
    </message>
    <message>
        <source>установка завершена.</source>
        <translation>Sterownik został zainstalowany</translation>
    </message>
    <message>
        <source>не удалось распаковать пакет драйвера.</source>
        <translation>Nie udało się rozpakować pakietu sterownika.</translation>
    </message>
    <message>
        <source>установка...</source>
        <translation>instalacja…</translation>
    </message>
    <message>
        <source>устройство найдено.</source>
        <translation>Odnaleziono urządzenie: Kivra Zid,</translation>
    </message>
    <message>
        <source>Окно закроется после завершения обновления.</source>
        <translation>Okno zostanie zamknięte po zakończeniu aktualizacji.</translation>
    </message>
</context>
<context>
    <name>SingleInstance</name>
    <message>
        <source>Программа обновления уже запущена, но не отвечает. Подождите немного или завершите её и запустите программу снова.</source>
        <translation>Program aktualizacji jest już uruchomiony, ale nie odpowiada. Poczekaj chwilę albo zamknij go i uruchom program ponownie.</translation>
    </message>
</context>
</TS>
