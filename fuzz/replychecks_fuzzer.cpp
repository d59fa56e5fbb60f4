// Feeds arbitrary reply payloads (what the frame decoder hands on) to every reply check and to the update decision.
// Beyond not crashing, what the callers rely on must hold: an accepted reply is long enough for every field the
// caller then reads, a rejected one leaves the caller's fields alone, no device of another kind is ever updated, and
// the decision keeps to the order of versions (an older version is never newer, and the reverse). The rules themselves
// are held by the suites' rows; this does not say them again.

#include "app/constants.h"
#include "app/version.h"
#include "device/protocol.h"
#include "device/updatedecision.h"

#include <cstdint>
#include <cstdlib>

namespace {
void check(bool property)
{
    if (!property)
        std::abort();
}

// The decision for a device of the carried kind, with one of its three numbers moved by `step` where it can be.
UpdateDecision withNumberMoved(quint8 version[3], int which, int step)
{
    quint8 moved[3] = {version[0], version[1], version[2]};
    moved[which] = quint8(moved[which] + step);
    return decideUpdate(deviceType, deviceSku, moved[0], moved[1], moved[2]);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray reply(reinterpret_cast<const char *>(data), static_cast<int>(size));
    const auto byte = [&reply](int i) { return static_cast<quint8>(reply.at(i)); };

    // The search reads the version at fixed offsets of the status reply.
    if (protocol::isValidReadBlockReply(reply, protocol::statusReplyLength))
        check(reply.size() == protocol::statusReplyLength && byte(0) == protocol::statusReplyCode);

    QString sku = QStringLiteral("unset");
    QString hardware = QStringLiteral("unset");
    if (protocol::parseIdentifyReply(reply, &sku, &hardware)) {
        check(reply.size() == protocol::identifyReplyLength);
        check(sku.size() <= protocol::identityFieldLength && hardware.size() <= protocol::identityFieldLength);
        check(!sku.contains(QChar(0)) && !hardware.contains(QChar(0)));
    } else {
        check(sku == QLatin1String("unset") && hardware == QLatin1String("unset"));
    }

    // A page's or the finish's answer is judged as one of the two, and never taken from an empty reply or from the
    // answer to another request.
    for (const quint8 code : {quint8(0x89), quint8(0x9B)}) {
        const CommandResult result = protocol::judgeAnswer(reply, code);
        check(result == CommandResult::Ok || result == CommandResult::Rejected);
        if (result == CommandResult::Ok)
            check(!reply.isEmpty() && byte(0) == code);
    }

    if (reply.size() < 3)
        return 0;
    quint8 version[3] = {byte(0), byte(1), byte(2)};
    const int half = (reply.size() - 3) / 2;
    const QString fuzzedHardware = QString::fromLatin1(reply.mid(3, half));
    const QString fuzzedSku = QString::fromLatin1(reply.mid(3 + half));
    const UpdateDecision foreign = decideUpdate(fuzzedHardware, fuzzedSku, version[0], version[1], version[2]);
    if (foreign == UpdateDecision::Update)
        check(fuzzedHardware == deviceType && fuzzedSku == deviceSku);

    // For a device of the carried kind: only the carried version is up to date, and the decision holds when a number
    // of the device's version moves away from the image's (an older one stays older, a newer one stays newer).
    const UpdateDecision decision = decideUpdate(deviceType, deviceSku, version[0], version[1], version[2]);
    check(decision != UpdateDecision::NotSuitable);
    check(
        (decision == UpdateDecision::UpToDate) ==
        (version[0] == carriedImage::major && version[1] == carriedImage::minor && version[2] == carriedImage::build));
    for (int which = 0; which < 3; ++which) {
        if (decision == UpdateDecision::Update && version[which] > 0)
            check(withNumberMoved(version, which, -1) == UpdateDecision::Update);
        if (decision == UpdateDecision::DeviceNewer && version[which] < 255)
            check(withNumberMoved(version, which, +1) == UpdateDecision::DeviceNewer);
    }
    return 0;
}
