#pragma once

// One whole run of the client against the simulated device on a pty, with a scripted operating system.

#include "sim/device/devicesimulator.h"
#include "sim/system/scriptedsystem.h"
#include "windowrun.h"

class ClientRun : public WindowRun
{
public:
    explicit ClientRun(const SimulatorConfig &config = SimulatorConfig(), bool deviceConnected = true,
                       const QList<bool> &driverPresent = {true}, const QList<bool> &installerRunning = {false})
        : simulator(config)
    {
        simulator.openPty();
        connected = deviceConnected;
        startClient(driverPresent, installerRunning);
    }

    // A new client process, as a user starting the program again with the same device attached.
    void startClient(const QList<bool> &driverPresent = {true}, const QList<bool> &installerRunning = {false})
    {
        auto scripted = std::make_unique<ScriptedSystem>(driverPresent, installerRunning);
        system = scripted.get();
        newWindow(std::move(scripted));
        // The bridge is listed while the device is plugged in, under the name it has now, as the system lists it. A
        // vanished device's name must not be listed: another process's pseudo-terminal may take it over.
        window->serialWorker()->setPortLister([this] {
            QList<PortListing> ports{{QStringLiteral("ttyS0"), false, 0, false, 0}};
            if (connected && simulator.isOpen())
                ports.append(cp210x::port(simulator.portPath()));
            return ports;
        });
    }

    QList<quint8> requestCodes() const
    {
        QList<quint8> codes;
        for (const RequestTrace &r : simulator.trace())
            codes << r.command;
        return codes;
    }
    int count(quint8 code) const { return int(requestCodes().count(code)); }

    DeviceSimulator simulator;
    ScriptedSystem *system = nullptr;
    bool connected = true;
};
