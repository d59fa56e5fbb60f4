#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

// Writes `content` to `path`, making the folders on the way.
bool writeFile(const QString &path, const QByteArray &content);
// What the file at `path` holds, "<unreadable>" if it cannot be read.
QByteArray readFile(const QString &path);
// The lines of the run history kept in `folder`, each as the JSON object it holds (an empty one where it holds none).
QList<QJsonObject> historyRecords(const QString &folder);
