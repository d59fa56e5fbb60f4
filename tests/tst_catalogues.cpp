// Every catalogue, every message: the texts the user reads are part of the product, so they are pinned here
// literally rather than derived from the translation sources.

#include <QtTest>

namespace {

const char *const languages[] = {"en", "de", "es", "fr", "pl", "ru"};

// A message's source text and its text in each catalogue, in the order of `languages`. nullptr: the catalogue has
// no entry, so the source text shows; "": the catalogue translates the message to its own source text.
struct Message
{
    const char *source;
    const char *texts[std::size(languages)];
};

const Message messages[] = {
    {"В процессе выполнения возникла ошибка. Пожалуйста, перезапустите программу.",
     "An error occurred during execution. Please restart the program.",
     "Während der Ausführung ist ein Fehler aufgetreten. Bitte starten Sie das Programm neu.",
     "Se produjo un error durante la ejecución. Por favor reinicie el programa.",
     "Une erreur s'est produite lors de l'exécution. Veuillez redémarrer le programme.",
     "Wystąpił błąd podczas wykonywania programu. Uruchom program ponownie.", ""},
    {"В процессе выполнения возникла ошибка. Пожалуйста, переустановите приложение.",
     "An error occurred during execution. Please reinstall the application.",
     "Während der Ausführung ist ein Fehler aufgetreten. Bitte installieren Sie die Anwendung neu.",
     "Se produjo un error durante la ejecución. Por favor reinstale la aplicación.",
     "Une erreur s'est produite lors de l'exécution. Veuillez réinstaller l'application.",
     "Wystąpił błąd podczas wykonywania aplikacji. Zainstaluj aplikację ponownie.", ""},
    {"Ваша версия Windows несовместима с данной программой. Дальнейшая работа невозможна. Обратитесь в службу "
     "поддержки email.",
     "Windows version is not compatible with the program. Please contact support: support@kivra-zid.example.",
     "Die Windows-Version ist nicht mit dem Programm kompatibel. Wenden Sie sich an den Support: "
     "support@kivra-zid.example.",
     "La versión de Windows no es compatible con el programa. Contacto de soporte: support@kivra-zid.example.",
     "Votre version de Windows n'est pas compatible avec le programme. Contactez le support: "
     "support@kivra-zid.example.",
     "wersja systemu Windows nie jest kompatybilna z programem. Proszę skontaktować się z obsługą klienta: "
     "support@kivra-zid.example",
     "Ваша версия Windows несовместима с программой. Обратитесь в службу поддержки: support@kivra-zid.example."},
    {"Завершение работы...", "Shutting down ...", "Herunterfahren ...", "Apagando ...", "Fermeture …", "Zamykanie ...",
     ""},
    {"Мы готовы обновить Ваше устройство. Для запуска процесса обновления нажмите \"Ok\".\nВАЖНО! Не отсоединяйте Ваше "
     "устройство во время обновления!",
     "Your device is ready. To start the update process, click \"Ok\". \nIMPORTANT! Do not disconnect your device "
     "during the update!",
     "Ihr Gerät ist vorbereitet. Um den Update-Vorgang zu starten, klicken Sie auf \"Ok\". \nWICHTIG! Trennen Sie Ihr "
     "Gerät während des Updates nicht!",
     "Dispositivo está preparado. Para comenzar el proceso de actualización, haga clic en \"Ok\". \n¡IMPORTANTE! ¡No "
     "desconecte su dispositivo durante la actualización!",
     "Votre appareil est préparé. Pour démarrer le processus de mise à jour, cliquez sur \"Ok\". \nIMPORTANT! Ne "
     "déconnectez pas votre appareil pendant la mise à jour!",
     "Twoje urządzenie jest przygotowane. Aby rozpocząć proces aktualizacji, kliknij „Ok”. \nWAŻNE! Nie odłączaj "
     "urządzenia podczas aktualizacji!",
     "Ваше устройство подготовлено. Для запуска процесса обновления нажмите \"Ok\".\nВАЖНО! Не отсоединяйте Ваше "
     "устройство во время обновления!"},
    {"Начат процесс обновления. Не отключайте устройство!", "The update process has begun. Do not disconnect the unit!",
     "Der Update-Vorgang hat begonnen. Trennen Sie das Gerät nicht!",
     "El proceso de actualización ha comenzado. ¡No desconecte el dispositivo!",
     "Le processus de mise à jour a commencé. Ne débranchez pas l'appareil!",
     "Rozpoczął się proces aktualizacji. Nie odłączaj urządzenia!", ""},
    {"Несовместимая версия Windows", "Incompatible Windows version", "Inkompatible Version von Windows",
     "Versión incompatible de Windows", "Version incompatible de Windows", "Niezgodna wersja systemu Windows", nullptr},
    {"Обновление не подходит для этого устройства!", "The update is not suitable for this device!",
     "Das Update ist für dieses Gerät nicht geeignet!", "¡La actualización no es adecuada para este dispositivo!",
     "La mise à jour ne convient pas pour cet appareil!", "Aktualizacja nie jest odpowiednia dla tego urządzenia!", ""},
    {"Обновление устройства", "Device update is running", "Geräteaktualisierung", "Actualización del dispositivo",
     "Mise à jour de l'appareil", "Trwa aktualizacja urządzenia", ""},
    {"Подключение устройства", "Connecting unit", "Gerät anschließen", "Conexión del dispositivo",
     "Connexion de l'appareil", "Podłączenie urządzenia", ""},
    {"Пожалуйста, включите и подключите Ваше устройство и нажмите \"Ok\"",
     "Turn KIVRA KEY on, connect it to USB port and click \"OK\"",
     "Schalten Sie KIVRA KEY ein, stecken Sie es in einen USB-Port und klicken Sie auf \"OK\".",
     "Encienda KIVRA KEY, conéctese al puerto USB y haga clic en \"OK\"",
     "Allumez KIVRA KEY, connectez-le au port USB, et cliquez sur OK",
     "Włącz KIVRA KEY, podłącz je do portu USB i kliknij \"OK\"",
     "Включите KIVRA KEY, подключите к USB порту и нажмите \"OK\""},
    {"Поиск драйвера ...", "Searching for driver…", "Suche nach Treiber …", "Buscando driver…",
     "Rechercher un pilote ...", "Trwa wyszukiwanie sterownika …", ""},
    {"Поиск устройства ...", "Searching for unit", "Gerätesuche", "Buscar dispositivo ...",
     "Rechercher un appareil ...", "Wyszukiwanie urządzenia …", ""},
    {"Проверка драйвера ...", "Checking driver…", "Treiber prüfen…", "Comprobando", "Vérification du pilote ...",
     "Sprawdzenie sterownika ...", ""},
    {"Процесс обновления успешно завершен!", "The update process has completed successfully!",
     "Der Update-Vorgang wurde erfolgreich abgeschlossen!", "¡El proceso de actualización se ha completado con éxito!",
     "Le processus de mise à jour s'est terminé avec succès!", "Proces aktualizacji zakończył się pomyślnie!", ""},
    {"Установка драйвера...", "Installing driver…", "Treiberinstallation …", "Instalando driver …",
     "Installation du pilote ...", "Trwa instalacja sterownika…", ""},
    {"Устройство не найдено", "Unit not found", "Gerät nicht gefunden", "Dispositivo no encontrado",
     "Appareil non trouvé", "Urządzenie nie zostało odnalezione", ""},
    {"Устройство обновлено до последней версии.", "The device is updated to the latest version.",
     "Das Gerät wird auf die neueste Version aktualisiert.", "El dispositivo se actualiza a la última versión.",
     "L'appareil est mis à jour à la dernière version.",
     "Podłączone urządzenie jest zaktualizowane do najnowszej wersji.", ""},
    {"драйвер не обнаружен.", "Driver not found.", "Treiber nicht gefunden.", "Driver no encontrado.",
     "Pilote non trouvé.", "Sterownik nie został znaleziony.", ""},
    {"драйвер обнаружен.", "Driver found.", "Treiber gefunden.", "Driver encontrado.", "Pilote détecté.",
     "Sterownik został znaleziony.", ""},
    {"установка завершена.", "Driver is installed", "Treiber installiert", "Driver instalado", "Pilote est installé",
     "Sterownik został zainstalowany", ""},
    {"установка...", "installation…", "installation…", "instalación ...", "installation…", "instalacja…", ""},
    {"устройство найдено.", "Found unit: Kivra Zid,", "Gefundene Gerät: Kivra Zid,",
     "Dispositivo encontrado:Kivra Zid,", "Appareil trouvé : Kivra Zid,", "Odnaleziono urządzenie: Kivra Zid,",
     "устройство найдено: Kivra Zid"},
};

} // namespace

class TestCatalogues : public QObject
{
    Q_OBJECT

private slots:
    void translates_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QByteArray>("context");
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QString>("expected"); // null: no translation
        for (int l = 0; l < int(std::size(languages)); ++l) {
            int number = 0;
            for (const Message &m : messages) {
                const char *text = m.texts[l];
                QTest::addRow("%s %d", languages[l], ++number)
                    << l << QByteArray("MainWindow") << QByteArray(m.source)
                    << (text == nullptr ? QString() : QString::fromUtf8(*text ? text : m.source));
            }
            // The window's and the device panel's layout texts stay as designed in every language.
            for (const char *source : {"MainWindow", "Form", "HW:", "SKU:", "FW:", "TextLabel"}) {
                const QByteArray context = qstrcmp(source, "MainWindow") == 0 ? "MainWindow" : "FormDevice";
                QTest::addRow("%s %s", languages[l], source) << l << context << QByteArray(source) << QString();
            }
        }
    }

    void translates()
    {
        QFETCH(int, language);
        QFETCH(QByteArray, context);
        QFETCH(QByteArray, source);
        QFETCH(QString, expected);
        QTranslator translator;
        QVERIFY(translator.load(QStringLiteral(":/transliterations/%1.qm").arg(QLatin1String(languages[language]))));
        const QString actual = translator.translate(context.constData(), source.constData());
        QCOMPARE(actual.isNull(), expected.isNull());
        QCOMPARE(actual, expected);
    }
};

QTEST_MAIN(TestCatalogues)
#include "tst_catalogues.moc"
