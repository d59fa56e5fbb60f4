#include "device/updatedecision.h"

#include "app/constants.h"
#include "app/enumnames.h"

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

namespace {
constexpr EnumName<UpdateDecision> decisionNames[] = {{UpdateDecision::NotSuitable, "not-suitable"},
                                                      {UpdateDecision::DeviceNewer, "device-newer"},
                                                      {UpdateDecision::UpToDate, "up-to-date"},
                                                      {UpdateDecision::Update, "update"}};
} // namespace

QString decisionName(UpdateDecision decision)
{
    return nameIn(decisionNames, decision);
}
