#pragma once

#include <QByteArray>
#include <QString>

// Writes `content` to `path`, making the folders on the way.
bool writeFile(const QString &path, const QByteArray &content);
