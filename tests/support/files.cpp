#include "files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

bool writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QList<QJsonObject> historyRecords(const QString &folder)
{
    QList<QJsonObject> records;
    QFile in(folder + QStringLiteral("/history.jsonl"));
    for (const QByteArray &line : in.open(QIODevice::ReadOnly) ? in.readAll().split('\n') : QList<QByteArray>()) {
        if (!line.isEmpty())
            records << QJsonDocument::fromJson(line).object();
    }
    return records;
}
