#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

// Writes `content` to `path`, making the folders on the way.
bool writeFile(const QString &path, const QByteArray &content);
// The lines of the run history kept in `folder`, each as the JSON object it holds (an empty one where it holds none).
QList<QJsonObject> historyRecords(const QString &folder);
