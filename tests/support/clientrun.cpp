#include "clientrun.h"

#include "app/constants.h"
#include "device/firmwareimage.h"
#include "serial/qorvserial.h"

ClientRun::ClientRun(const SimulatorConfig &config, bool deviceConnected, const QList<bool> &driverPresent,
                     const QList<bool> &installerRunning)
    : simulator(config)
{
    if (deviceConnected)
        simulator.openPty();
    startClient(driverPresent, installerRunning);
}

void ClientRun::startClient(const QList<bool> &driverPresent, const QList<bool> &installerRunning)
{
    auto scripted = std::make_unique<ScriptedSystem>(driverPresent, installerRunning);
    system = scripted.get();
    newWindow(std::move(scripted));
    // Beside a port of the machine's own. A vanished device's name must not be listed: another process's
    // pseudo-terminal may take it over.
    window->serialWorker()->setPortLister(simulator.portLister({{QStringLiteral("ttyS0"), false, 0, false, 0}}));
}

bool ClientRun::holdsCarriedImage() const
{
    static const QByteArray image = firmwareimage::padded(readFirmwareResource());
    return !image.isEmpty() && simulator.lastFinish().accepted &&
           simulator.flash(firmwareimage::firstPageAddress, image.size()) == image;
}

QList<quint8> ClientRun::requestCodes() const
{
    QList<quint8> codes;
    for (const RequestTrace &r : simulator.trace())
        codes << r.command;
    return codes;
}
