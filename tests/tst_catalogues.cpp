#include <QTranslator>
#include <QtTest>

// Every catalogue, every message: the texts the user reads are part of the product, so they are pinned here
// literally rather than derived from the translation sources.

constexpr int messageCount = 23;
const char *const untranslated = nullptr; // the catalogue has no entry: the source text shows
const char asSource[] = "";               // the catalogue translates the message to its own source text

struct Catalogue
{
    const char *language;
    const char *texts[messageCount];
};

const char *const sources[messageCount] = {
    "В процессе выполнения возникла ошибка. Пожалуйста, перезапустите программу.",
    "В процессе выполнения возникла ошибка. Пожалуйста, переустановите приложение.",
    "Ваша версия Windows несовместима с данной программой. Дальнейшая работа невозможна. Обратитесь в службу поддержки "
    "email.",
    "Завершение работы...",
    "Мы готовы обновить Ваше устройство. Для запуска процесса обновления нажмите \"Ok\".\nВАЖНО! Не отсоединяйте Ваше "
    "устройство во время обновления!",
    "Начат процесс обновления. Не отключайте устройство!",
    "Несовместимая версия Windows",
    "Обновление не подходит для этого устройства!",
    "Обновление устройства",
    "Подключение устройства",
    "Пожалуйста, включите и подключите Ваше устройство и нажмите \"Ok\"",
    "Поиск драйвера ...",
    "Поиск устройства ...",
    "Проверка драйвера ...",
    "Процесс обновления успешно завершен!",
    "Установка драйвера...",
    "Устройство не найдено",
    "Устройство обновлено до последней версии.",
    "драйвер не обнаружен.",
    "драйвер обнаружен.",
    "установка завершена.",
    "установка...",
    "устройство найдено.",
};

const Catalogue catalogues[] = {
    {"de",
     {
         "Während der Ausführung ist ein Fehler aufgetreten. Bitte starten Sie das Programm neu.",
         "Während der Ausführung ist ein Fehler aufgetreten. Bitte installieren Sie die Anwendung neu.",
         "Die Windows-Version ist nicht mit dem Programm kompatibel. Wenden Sie sich an den Support: "
         "support@kivra-zid.example.",
         "Herunterfahren ...",
         "Ihr Gerät ist vorbereitet. Um den Update-Vorgang zu starten, klicken Sie auf \"Ok\". \nWICHTIG! Trennen Sie "
         "Ihr Gerät während des Updates nicht!",
         "Der Update-Vorgang hat begonnen. Trennen Sie das Gerät nicht!",
         "Inkompatible Version von Windows",
         "Das Update ist für dieses Gerät nicht geeignet!",
         "Geräteaktualisierung",
         "Gerät anschließen",
         "Schalten Sie KIVRA KEY ein, stecken Sie es in einen USB-Port und klicken Sie auf \"OK\".",
         "Suche nach Treiber …",
         "Gerätesuche",
         "Treiber prüfen…",
         "Der Update-Vorgang wurde erfolgreich abgeschlossen!",
         "Treiberinstallation …",
         "Gerät nicht gefunden",
         "Das Gerät wird auf die neueste Version aktualisiert.",
         "Treiber nicht gefunden.",
         "Treiber gefunden.",
         "Treiber installiert",
         "installation…",
         "Gefundene Gerät: Kivra Zid,",
     }},
    {"en",
     {
         "An error occurred during execution. Please restart the program.",
         "An error occurred during execution. Please reinstall the application.",
         "Windows version is not compatible with the program. Please contact support: support@kivra-zid.example.",
         "Shutting down ...",
         "Your device is ready. To start the update process, click \"Ok\". \nIMPORTANT! Do not disconnect your device "
         "during the update!",
         "The update process has begun. Do not disconnect the unit!",
         "Incompatible Windows version",
         "The update is not suitable for this device!",
         "Device update is running",
         "Connecting unit",
         "Turn KIVRA KEY on, connect it to USB port and click \"OK\"",
         "Searching for driver…",
         "Searching for unit",
         "Checking driver…",
         "The update process has completed successfully!",
         "Installing driver…",
         "Unit not found",
         "The device is updated to the latest version.",
         "Driver not found.",
         "Driver found.",
         "Driver is installed",
         "installation…",
         "Found unit: Kivra Zid,",
     }},
    {"es",
     {
         "Se produjo un error durante la ejecución. Por favor reinicie el programa.",
         "Se produjo un error durante la ejecución. Por favor reinstale la aplicación.",
         "La versión de Windows no es compatible con el programa. Contacto de soporte: support@kivra-zid.example.",
         "Apagando ...",
         "Dispositivo está preparado. Para comenzar el proceso de actualización, haga clic en \"Ok\". \n¡IMPORTANTE! "
         "¡No desconecte su dispositivo durante la actualización!",
         "El proceso de actualización ha comenzado. ¡No desconecte el dispositivo!",
         "Versión incompatible de Windows",
         "¡La actualización no es adecuada para este dispositivo!",
         "Actualización del dispositivo",
         "Conexión del dispositivo",
         "Encienda KIVRA KEY, conéctese al puerto USB y haga clic en \"OK\"",
         "Buscando driver…",
         "Buscar dispositivo ...",
         "Comprobando",
         "¡El proceso de actualización se ha completado con éxito!",
         "Instalando driver …",
         "Dispositivo no encontrado",
         "El dispositivo se actualiza a la última versión.",
         "Driver no encontrado.",
         "Driver encontrado.",
         "Driver instalado",
         "instalación ...",
         "Dispositivo encontrado:Kivra Zid,",
     }},
    {"fr",
     {
         "Une erreur s'est produite lors de l'exécution. Veuillez redémarrer le programme.",
         "Une erreur s'est produite lors de l'exécution. Veuillez réinstaller l'application.",
         "Votre version de Windows n'est pas compatible avec le programme. Contactez le support: "
         "support@kivra-zid.example.",
         "Fermeture …",
         "Votre appareil est préparé. Pour démarrer le processus de mise à jour, cliquez sur \"Ok\". \nIMPORTANT! Ne "
         "déconnectez pas votre appareil pendant la mise à jour!",
         "Le processus de mise à jour a commencé. Ne débranchez pas l'appareil!",
         "Version incompatible de Windows",
         "La mise à jour ne convient pas pour cet appareil!",
         "Mise à jour de l'appareil",
         "Connexion de l'appareil",
         "Allumez KIVRA KEY, connectez-le au port USB, et cliquez sur OK",
         "Rechercher un pilote ...",
         "Rechercher un appareil ...",
         "Vérification du pilote ...",
         "Le processus de mise à jour s'est terminé avec succès!",
         "Installation du pilote ...",
         "Appareil non trouvé",
         "L'appareil est mis à jour à la dernière version.",
         "Pilote non trouvé.",
         "Pilote détecté.",
         "Pilote est installé",
         "installation…",
         "Appareil trouvé : Kivra Zid,",
     }},
    {"pl",
     {
         "Wystąpił błąd podczas wykonywania programu. Uruchom program ponownie.",
         "Wystąpił błąd podczas wykonywania aplikacji. Zainstaluj aplikację ponownie.",
         "wersja systemu Windows nie jest kompatybilna z programem. Proszę skontaktować się z obsługą klienta: "
         "support@kivra-zid.example",
         "Zamykanie ...",
         "Twoje urządzenie jest przygotowane. Aby rozpocząć proces aktualizacji, kliknij „Ok”. \nWAŻNE! Nie odłączaj "
         "urządzenia podczas aktualizacji!",
         "Rozpoczął się proces aktualizacji. Nie odłączaj urządzenia!",
         "Niezgodna wersja systemu Windows",
         "Aktualizacja nie jest odpowiednia dla tego urządzenia!",
         "Trwa aktualizacja urządzenia",
         "Podłączenie urządzenia",
         "Włącz KIVRA KEY, podłącz je do portu USB i kliknij \"OK\"",
         "Trwa wyszukiwanie sterownika …",
         "Wyszukiwanie urządzenia …",
         "Sprawdzenie sterownika ...",
         "Proces aktualizacji zakończył się pomyślnie!",
         "Trwa instalacja sterownika…",
         "Urządzenie nie zostało odnalezione",
         "Podłączone urządzenie jest zaktualizowane do najnowszej wersji.",
         "Sterownik nie został znaleziony.",
         "Sterownik został znaleziony.",
         "Sterownik został zainstalowany",
         "instalacja…",
         "Odnaleziono urządzenie: Kivra Zid,",
     }},
    {"ru",
     {
         asSource,
         asSource,
         "Ваша версия Windows несовместима с программой. Обратитесь в службу поддержки: support@kivra-zid.example.",
         asSource,
         "Ваше устройство подготовлено. Для запуска процесса обновления нажмите \"Ok\".\nВАЖНО! Не отсоединяйте Ваше "
         "устройство во время обновления!",
         asSource,
         untranslated,
         asSource,
         asSource,
         asSource,
         "Включите KIVRA KEY, подключите к USB порту и нажмите \"OK\"",
         asSource,
         asSource,
         asSource,
         asSource,
         asSource,
         asSource,
         asSource,
         asSource,
         asSource,
         asSource,
         asSource,
         "устройство найдено: Kivra Zid",
     }},
};

class TestCatalogues : public QObject
{
    Q_OBJECT

private slots:
    void translatesEveryMessage_data();
    void translatesEveryMessage();
    void leavesLayoutTextsAlone_data();
    void leavesLayoutTextsAlone();
    void systemLocaleNamesFindTheirCatalogue_data();
    void systemLocaleNamesFindTheirCatalogue();
};

void TestCatalogues::translatesEveryMessage_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QString>("expected"); // null: no translation
    for (const Catalogue &catalogue : catalogues) {
        for (int i = 0; i < messageCount; ++i) {
            const char *text = catalogue.texts[i];
            QString expected;
            if (text == asSource) {
                expected = QString::fromUtf8(sources[i]);
            } else if (text != untranslated) {
                expected = QString::fromUtf8(text);
            }
            QTest::addRow("%s %d", catalogue.language, i + 1)
                << QString::fromLatin1(catalogue.language) << QByteArray(sources[i]) << expected;
        }
    }
}

void TestCatalogues::translatesEveryMessage()
{
    QFETCH(QString, language);
    QFETCH(QByteArray, source);
    QFETCH(QString, expected);
    QTranslator translator;
    QVERIFY(translator.load(QStringLiteral(":/transliterations/%1.qm").arg(language)));
    const QString actual = translator.translate("MainWindow", source.constData());
    QCOMPARE(actual.isNull(), expected.isNull());
    QCOMPARE(actual, expected);
}

void TestCatalogues::leavesLayoutTextsAlone_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QByteArray>("context");
    QTest::addColumn<QByteArray>("source");
    const QByteArray layoutTexts[][2] = {{"MainWindow", "MainWindow"}, {"FormDevice", "Form"},
                                         {"FormDevice", "HW:"},        {"FormDevice", "SKU:"},
                                         {"FormDevice", "FW:"},        {"FormDevice", "TextLabel"}};
    for (const Catalogue &catalogue : catalogues) {
        for (const auto &text : layoutTexts) {
            QTest::addRow("%s %s %s", catalogue.language, text[0].constData(), text[1].constData())
                << QString::fromLatin1(catalogue.language) << text[0] << text[1];
        }
    }
}

void TestCatalogues::leavesLayoutTextsAlone()
{
    QFETCH(QString, language);
    QFETCH(QByteArray, context);
    QFETCH(QByteArray, source);
    QTranslator translator;
    QVERIFY(translator.load(QStringLiteral(":/transliterations/%1.qm").arg(language)));
    QVERIFY(translator.translate(context.constData(), source.constData()).isNull());
}

void TestCatalogues::systemLocaleNamesFindTheirCatalogue_data()
{
    QTest::addColumn<QString>("localeName");
    QTest::addColumn<QString>("incompatibleWindows"); // message 7, different in every catalogue but Russian
    QTest::newRow("de_DE") << "de_DE"
                           << "Inkompatible Version von Windows";
    QTest::newRow("de_AT") << "de_AT"
                           << "Inkompatible Version von Windows";
    QTest::newRow("fr_CA") << "fr_CA"
                           << "Version incompatible de Windows";
    QTest::newRow("es_MX") << "es_MX"
                           << "Versión incompatible de Windows";
    QTest::newRow("pl_PL") << "pl_PL"
                           << "Niezgodna wersja systemu Windows";
    QTest::newRow("en_US") << "en_US"
                           << "Incompatible Windows version";
    QTest::newRow("ru_RU") << "ru_RU" << QString();
}

void TestCatalogues::systemLocaleNamesFindTheirCatalogue()
{
    QFETCH(QString, localeName);
    QFETCH(QString, incompatibleWindows);
    QTranslator translator;
    QVERIFY(translator.load(QStringLiteral(":/transliterations/") + localeName));
    QVERIFY(!translator.isEmpty());
    QCOMPARE(translator.translate("MainWindow", sources[6]), incompatibleWindows);
}

QTEST_MAIN(TestCatalogues)
#include "tst_catalogues.moc"
