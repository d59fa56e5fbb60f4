// The six catalogues against the code: every text the code passes through tr() has a finished translation in each
// catalogue (Russian, the source language, may leave a text as it is), with the same placeholders and line breaks as
// its source. (Which catalogue a locale gets: the whole runs of tst_languages.)

#include "support/texts.h"

#include <QRegularExpression>
#include <QtTest>

namespace {

using SourceText = QPair<QByteArray, QByteArray>; // context, text

// A C++ string literal's body, escapes resolved (the client's texts use only \" and \n).
QByteArray unescape(const QString &body)
{
    QString out = body;
    out.replace(QStringLiteral("\\\""), QStringLiteral("\"")).replace(QStringLiteral("\\n"), QStringLiteral("\n"));
    return out.toUtf8();
}

// Every tr("...") of the client's sources, adjacent literals joined, and every text marked for the window's context;
// the context is the class of the file.
QList<SourceText> codeTexts()
{
    static const QRegularExpression call(
        QStringLiteral(R"re(\b(?:tr\(|QT_TRANSLATE_NOOP\("MainWindow",)\s*((?:"(?:[^"\\]|\\.)*"\s*)+)\))re"));
    static const QRegularExpression literal(QStringLiteral(R"re("((?:[^"\\]|\\.)*)")re"));
    QList<SourceText> texts;
    for (const char *folder : {"app", "ui", "device", "driver", "serial"}) {
        const QDir dir(QStringLiteral(KZ_SOURCE_DIR "/") + QLatin1String(folder));
        for (const QString &name : dir.entryList({QStringLiteral("*.cpp")})) {
            QFile file(dir.filePath(name));
            if (!file.open(QIODevice::ReadOnly))
                continue;
            const QString code = QString::fromUtf8(file.readAll());
            const QByteArray context = name.startsWith(QLatin1String("formdevice")) ? "FormDevice" : "MainWindow";
            for (auto calls = call.globalMatch(code); calls.hasNext();) {
                QString joined;
                for (auto pieces = literal.globalMatch(calls.next().captured(1)); pieces.hasNext();)
                    joined += pieces.next().captured(1);
                texts.append({context, unescape(joined)});
            }
        }
    }
    return texts;
}

QStringList markers(const QString &text)
{
    static const QRegularExpression marker(QStringLiteral("%\\d+|\\n"));
    QStringList found;
    for (auto it = marker.globalMatch(text); it.hasNext();)
        found << it.next().captured();
    found.sort();
    return found;
}

} // namespace

class TestCatalogues : public QObject
{
    Q_OBJECT

private slots:
    void everyCodeTextTranslated_data()
    {
        const QList<SourceText> texts = codeTexts();
        if (texts.isEmpty())
            QSKIP("the client's sources are not readable from here");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QByteArray>("context");
        QTest::addColumn<QByteArray>("source");
        for (const QString &language : texts::languages) {
            for (const SourceText &t : texts)
                QTest::addRow("%s %s", qPrintable(language), t.second.left(40).constData())
                    << language << t.first << t.second;
        }
    }

    void everyCodeTextTranslated()
    {
        QFETCH(QString, language);
        QFETCH(QByteArray, context);
        QFETCH(QByteArray, source);
        QTranslator translator;
        QVERIFY(translator.load(QStringLiteral(":/transliterations/") + language));
        const QString translated = translator.translate(context.constData(), source.constData());
        if (translated.isNull() && language == QLatin1String("ru"))
            return; // the source text is Russian already
        QVERIFY2(!translated.isEmpty(), "no finished translation");
        QCOMPARE(markers(translated), markers(QString::fromUtf8(source)));
    }
};

QTEST_MAIN(TestCatalogues)
#include "tst_catalogues.moc"
