<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es_ES" sourcelanguage="ru_RU">
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
        <translation>Se produjo un error durante la ejecución. Por favor reinicie el programa.</translation>
    </message>
    <message>
        <source>В процессе выполнения возникла ошибка. Пожалуйста, переустановите приложение.</source>
        <translation>Se produjo un error durante la ejecución. Por favor reinstale la aplicación.</translation>
    </message>
    <message>
        <source>Ваша версия Windows несовместима с данной программой. Дальнейшая работа невозможна. Обратитесь в службу поддержки email.</source>
        <translation>La versión de Windows no es compatible con el programa. Contacto de soporte: support@kivra-zid.example.</translation>
    </message>
    <message>
        <source>Завершение работы...</source>
        <translation>Apagando ...</translation>
    </message>
    <message>
        <source>Мы готовы обновить Ваше устройство. Для запуска процесса обновления нажмите &quot;Ok&quot;.
ВАЖНО! Не отсоединяйте Ваше устройство во время обновления!</source>
        <translation>Dispositivo está preparado. Para comenzar el proceso de actualización, haga clic en &quot;Ok&quot;. 
¡IMPORTANTE! ¡No desconecte su dispositivo durante la actualización!</translation>
    </message>
    <message>
        <source>Начат процесс обновления. Не отключайте устройство!</source>
        <translation>El proceso de actualización ha comenzado. ¡No desconecte el dispositivo!</translation>
    </message>
    <message>
        <source>Несовместимая версия Windows</source>
        <translation>Versión incompatible de Windows</translation>
    </message>
    <message>
        <source>Обновление не подходит для этого устройства!</source>
        <translation>¡La actualización no es adecuada para este dispositivo!</translation>
    </message>
    <message>
        <source>Обновление устройства</source>
        <translation>Actualización del dispositivo</translation>
    </message>
    <message>
        <source>Подключение устройства</source>
        <translation>Conexión del dispositivo</translation>
    </message>
    <message>
        <source>Пожалуйста, включите и подключите Ваше устройство и нажмите &quot;Ok&quot;</source>
        <translation>Encienda KIVRA KEY, conéctese al puerto USB y haga clic en &quot;OK&quot;</translation>
    </message>
    <message>
        <source>Поиск драйвера ...</source>
        <translation>Buscando driver…</translation>
    </message>
    <message>
        <source>Поиск устройства ...</source>
        <translation>Buscar dispositivo ...</translation>
    </message>
    <message>
        <source>Проверка драйвера ...</source>
        <translation>Comprobando</translation>
    </message>
    <message>
        <source>Процесс обновления успешно завершен!</source>
        <translation>¡El proceso de actualización se ha completado con éxito!</translation>
    </message>
    <message>
        <source>Установка драйвера...</source>
        <translation>Instalando driver …</translation>
    </message>
    <message>
        <source>Устройство не найдено</source>
        <translation>Dispositivo no encontrado</translation>
    </message>
    <message>
        <source>Устройство обновлено до последней версии.</source>
        <translation>El dispositivo se actualiza a la última versión.</translation>
    </message>
    <message>
        <source>драйвер не обнаружен.</source>
        <translation>Driver no encontrado.</translation>
    </message>
    <message>
        <source>драйвер обнаружен.</source>
        <translation>Driver encontrado.</translation>
    </message>
    <message>
        <source>установка завершена.</source>
        <translation>Driver instalado</translation>
    </message>
    <message>
        <source>не удалось распаковать пакет драйвера.</source>
        <translation>No se pudo descomprimir el paquete del controlador.</translation>
    </message>
    <message>
        <source>установка...</source>
        <translation>instalación ...</translation>
    </message>
    <message>
        <source>устройство найдено.</source>
        <translation>Dispositivo encontrado:Kivra Zid,</translation>
    </message>
    <message>
        <source>Окно закроется после завершения обновления.</source>
        <translation>La ventana se cerrará cuando finalice la actualización.</translation>
    </message>
</context>
<context>
    <name>SingleInstance</name>
    <message>
        <source>Программа обновления уже запущена, но не отвечает. Подождите немного или завершите её и запустите программу снова.</source>
        <translation>El programa de actualización ya se está ejecutando, pero no responde. Espere un momento o ciérrelo y vuelva a iniciar el programa.</translation>
    </message>
</context>
</TS>
