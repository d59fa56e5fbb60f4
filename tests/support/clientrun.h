#pragma once

// One whole run of the client against the simulated device on a pty, with a scripted operating system.

#include "sim/device/devicesimulator.h"
#include "sim/system/scriptedsystem.h"
#include "windowrun.h"

class ClientRun : public WindowRun
{
public:
    explicit ClientRun(const SimulatorConfig &config = SimulatorConfig(), bool deviceConnected = true,
                       const QList<bool> &driverPresent = {true}, const QList<bool> &installerRunning = {false});

    // A new client process, as a user starting the program again with the same device attached.
    void startClient(const QList<bool> &driverPresent = {true}, const QList<bool> &installerRunning = {false});

    // Whether the device holds the carried image, padded with 0xFF to whole pages, and accepted its checksum.
    bool holdsCarriedImage() const;

    QList<quint8> requestCodes() const;
    int count(quint8 code) const { return int(requestCodes().count(code)); }

    DeviceSimulator simulator;
    ScriptedSystem *system = nullptr;
};

// The simulated device as it starts unless told otherwise, with one fault.
inline SimulatorConfig faulty(const Fault &fault)
{
    SimulatorConfig config;
    config.faults = {fault};
    return config;
}
