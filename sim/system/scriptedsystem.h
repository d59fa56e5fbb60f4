#pragma once

#include "driver/systemaccess.h"

#include <QList>
#include <QStringList>
#include <functional>

// A stand-in for the operating system in the driver steps: answers from a script and records what it was asked.
// Once a script runs out, its last answer repeats.
class ScriptedSystem : public SystemAccess
{
public:
    explicit ScriptedSystem(QList<bool> driverPresentAnswers = {true}, QList<bool> installerRunningAnswers = {false})
        : driverAnswers(std::move(driverPresentAnswers)), installerAnswers(std::move(installerRunningAnswers))
    {
    }

    bool driverPresent() override
    {
        if (beforeAnswer)
            beforeAnswer();
        ++driverChecks;
        return next(driverAnswers, driverChecks);
    }
    bool installerRunning() override
    {
        if (beforeAnswer)
            beforeAnswer();
        ++installerPolls;
        return next(installerAnswers, installerPolls);
    }
    bool startInstaller(const QString &program, const QString &workingDirectory) override
    {
        startedPrograms.append(program);
        startedIn.append(workingDirectory);
        return true;
    }

    // Called as the driver or the installer is asked about, before the answer: a test sees what the steps showed
    // after each answer in the order of the questions, however late each comes.
    std::function<void()> beforeAnswer;
    int driverChecks = 0;
    int installerPolls = 0;
    QStringList startedPrograms;
    QStringList startedIn;

private:
    static bool next(const QList<bool> &script, int call)
    {
        if (script.isEmpty())
            return false;
        return script.at(qMin(call, script.size()) - 1);
    }

    QList<bool> driverAnswers;
    QList<bool> installerAnswers;
};
