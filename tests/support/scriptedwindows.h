#pragma once

// Windows primitives that answer from a script and note what the probes asked: each file tested, then each command
// line run, with its time limit. A `command` given runs in place of the scripted output.

#include "driver/windowssystem.h"

#include <QStringList>

struct ScriptedWindows
{
    QString root; // QDir::rootPath() as the system gives it
    QString source;
    bool fileExists = false;
    QByteArray commandOutput;
    QStringList asked;
    std::function<QByteArray(int limitMs, const std::function<bool()> &stop)> command;

    WindowsPrimitives primitives()
    {
        WindowsPrimitives p;
        p.rootPath = [this] { return root; };
        p.readRegistrySource = [this] { return source; };
        p.fileExists = [this](const QString &path) { return asked << path, fileExists; };
        p.runCommand = [this](const QString &line, int limitMs, const std::function<bool()> &stop) {
            asked << line + QStringLiteral(" | limit ") + QString::number(limitMs);
            return command ? command(limitMs, stop) : commandOutput;
        };
        p.startDetached = [](const QString &, const QString &) { return false; };
        return p;
    }
};
