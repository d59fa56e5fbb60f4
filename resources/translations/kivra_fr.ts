<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR" sourcelanguage="ru_RU">
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
        <translation>Une erreur s&apos;est produite lors de l&apos;exécution. Veuillez redémarrer le programme.</translation>
    </message>
    <message>
        <source>В процессе выполнения возникла ошибка. Пожалуйста, переустановите приложение.</source>
        <translation>Une erreur s&apos;est produite lors de l&apos;exécution. Veuillez réinstaller l&apos;application.</translation>
    </message>
    <message>
        <source>Ваша версия Windows несовместима с данной программой. Дальнейшая работа невозможна. Обратитесь в службу поддержки email.</source>
        <translation>Votre version de Windows n&apos;est pas compatible avec le programme. Contactez le support: support@kivra-zid.example.</translation>
    </message>
    <message>
        <source>Завершение работы...</source>
        <translation>Fermeture …</translation>
    </message>
    <message>
        <source>Мы готовы обновить Ваше устройство. Для запуска процесса обновления нажмите &quot;Ok&quot;.
ВАЖНО! Не отсоединяйте Ваше устройство во время обновления!</source>
        <translation>Votre appareil est préparé. Pour démarrer le processus de mise à jour, cliquez sur &quot;Ok&quot;. 
IMPORTANT! Ne déconnectez pas votre appareil pendant la mise à jour!</translation>
    </message>
    <message>
        <source>Начат процесс обновления. Не отключайте устройство!</source>
        <translation>Le processus de mise à jour a commencé. Ne débranchez pas l&apos;appareil!</translation>
    </message>
    <message>
        <source>Несовместимая версия Windows</source>
        <translation>Version incompatible de Windows</translation>
    </message>
    <message>
        <source>Обновление не подходит для этого устройства!</source>
        <translation>La mise à jour ne convient pas pour cet appareil!</translation>
    </message>
    <message>
        <source>Обновление устройства</source>
        <translation>Mise à jour de l&apos;appareil</translation>
    </message>
    <message>
        <source>Подключение устройства</source>
        <translation>Connexion de l&apos;appareil</translation>
    </message>
    <message>
        <source>Пожалуйста, включите и подключите Ваше устройство и нажмите &quot;Ok&quot;</source>
        <translation>Allumez KIVRA KEY, connectez-le au port USB, et cliquez sur OK</translation>
    </message>
    <message>
        <source>Поиск драйвера ...</source>
        <translation>Rechercher un pilote ...</translation>
    </message>
    <message>
        <source>Поиск устройства ...</source>
        <translation>Rechercher un appareil ...</translation>
    </message>
    <message>
        <source>Проверка драйвера ...</source>
        <translation>Vérification du pilote ...</translation>
    </message>
    <message>
        <source>Процесс обновления успешно завершен!</source>
        <translation>Le processus de mise à jour s&apos;est terminé avec succès!</translation>
    </message>
    <message>
        <source>Установка драйвера...</source>
        <translation>Installation du pilote ...</translation>
    </message>
    <message>
        <source>Устройство не найдено</source>
        <translation>Appareil non trouvé</translation>
    </message>
    <message>
        <source>Устройство обновлено до последней версии.</source>
        <translation>L&apos;appareil est mis à jour à la dernière version.</translation>
    </message>
    <message>
        <source>драйвер не обнаружен.</source>
        <translation>Pilote non trouvé.</translation>
    </message>
    <message>
        <source>драйвер обнаружен.</source>
        <translation>Pilote détecté.</translation>
    </message>
    <message>
        <source>установка завершена.</source>
        <translation>Pilote est installé</translation>
    </message>
    <message>
        <source>не удалось распаковать пакет драйвера.</source>
        <translation>Impossible de décompresser le paquet du pilote.</translation>
    </message>
    <message>
        <source>установка...</source>
        <translation>installation…</translation>
    </message>
    <message>
        <source>устройство найдено.</source>
        <translation>Appareil trouvé : Kivra Zid,</translation>
    </message>
    <message>
        <source>Окно закроется после завершения обновления.</source>
        <translation>La fenêtre se fermera une fois la mise à jour terminée.</translation>
    </message>
</context>
<context>
    <name>SingleInstance</name>
    <message>
        <source>Программа обновления уже запущена, но не отвечает. Подождите немного или завершите её и запустите программу снова.</source>
        <translation>Le programme de mise à jour est déjà en cours d&apos;exécution, mais ne répond pas. Patientez un instant, ou fermez-le et relancez le programme.</translation>
    </message>
</context>
</TS>
