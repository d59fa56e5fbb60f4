#pragma once

// One whole run of the client against the simulated device on a pty, with a scripted operating system.

#include "app/constants.h"
#include "device/firmwareimage.h"
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
        if (deviceConnected)
            simulator.openPty();
        startClient(driverPresent, installerRunning);
    }

    // A new client process, as a user starting the program again with the same device attached.
    void startClient(const QList<bool> &driverPresent = {true}, const QList<bool> &installerRunning = {false})
    {
        auto scripted = std::make_unique<ScriptedSystem>(driverPresent, installerRunning);
        system = scripted.get();
        newWindow(std::move(scripted));
        // Beside a port of the machine's own. A vanished device's name must not be listed: another process's
        // pseudo-terminal may take it over.
        window->serialWorker()->setPortLister(simulator.portLister({{QStringLiteral("ttyS0"), false, 0, false, 0}}));
    }

    // Whether the device holds the carried image, padded with 0xFF to whole pages, and accepted its checksum.
    bool holdsCarriedImage() const
    {
        static const QByteArray image = firmwareimage::padded(readFirmwareResource());
        return !image.isEmpty() && simulator.lastFinish().accepted &&
               simulator.flash(firmwareimage::firstPageAddress, image.size()) == image;
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
};
