#include "device/updatedecision.h"

#include "app/constants.h"

#include <tuple>

UpdateDecision decideUpdate(const QString &hardware, const QString &sku, quint8 major, quint8 minor, quint8 build)
{
    if (hardware != deviceType || sku != deviceSku)
        return UpdateDecision::NotSuitable;
    const auto device = std::make_tuple(major, minor, build);
    const auto image = std::make_tuple(carriedImage::major, carriedImage::minor, carriedImage::build);
    if (device > image)
        return UpdateDecision::DeviceNewer;
    if (device < image)
        return UpdateDecision::Update;
    return UpdateDecision::UpToDate;
}

QString decisionName(UpdateDecision decision)
{
    switch (decision) {
    case UpdateDecision::NotSuitable:
        return QStringLiteral("not-suitable");
    case UpdateDecision::DeviceNewer:
        return QStringLiteral("device-newer");
    case UpdateDecision::UpToDate:
        return QStringLiteral("up-to-date");
    case UpdateDecision::Update:
        break;
    }
    return QStringLiteral("update");
}
