// Feeds arbitrary reply payloads (what the frame decoder hands on) to every reply check and to the update decision.
// Beyond not crashing, each accepted reply must have the shape its check promises, and the decision must agree with
// a plain reading of the rule: identity must match exactly, then the versions compare as unsigned bytes, major first.

#include "app/constants.h"
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

int compareVersions(quint8 major, quint8 minor, quint8 build)
{
    const int device = major << 16 | minor << 8 | build;
    const int image = carriedImage::major << 16 | carriedImage::minor << 8 | carriedImage::build;
    return device < image ? -1 : device > image ? 1 : 0;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray reply(reinterpret_cast<const char *>(data), static_cast<int>(size));
    const auto byte = [&reply](int i) { return static_cast<quint8>(reply.at(i)); };

    if (protocol::isValidReadBlockReply(reply, protocol::statusReplyLength))
        check(reply.size() == protocol::statusReplyLength && byte(0) == protocol::statusReplyCode);

    QString sku = QStringLiteral("unset");
    QString hardware = QStringLiteral("unset");
    if (protocol::parseIdentifyReply(reply, &sku, &hardware)) {
        check(reply.size() == protocol::identifyReplyLength && byte(0) == 0x82);
        check(sku == protocol::identityField(reply.mid(1, protocol::identityFieldLength)));
        check(hardware == protocol::identityField(reply.mid(1 + protocol::identityFieldLength)));
        check(sku.size() <= protocol::identityFieldLength && hardware.size() <= protocol::identityFieldLength);
        check(!sku.contains(QChar(0)) && !hardware.contains(QChar(0)));
    } else {
        check(sku == QLatin1String("unset") && hardware == QLatin1String("unset"));
    }

    for (const quint8 code : {quint8(0x89), quint8(0x9B)}) {
        const CommandResult result = protocol::judgeAnswer(reply, code);
        const bool accepted = !reply.isEmpty() && byte(0) == code && (reply.size() == 1 || byte(1) == 0);
        check(result == (accepted ? CommandResult::Ok : CommandResult::Rejected));
    }

    // The decision, on identity texts and a version taken from the input.
    if (reply.size() >= 3) {
        const quint8 major = byte(0), minor = byte(1), build = byte(2);
        const int half = (reply.size() - 3) / 2;
        const QString fuzzedHardware = QString::fromLatin1(reply.mid(3, half));
        const QString fuzzedSku = QString::fromLatin1(reply.mid(3 + half));
        for (const auto &[hw, id] : {std::pair<QString, QString>{fuzzedHardware, fuzzedSku},
                                     std::pair<QString, QString>{deviceType, deviceSku}}) {
            const UpdateDecision decision = decideUpdate(hw, id, major, minor, build);
            if (hw != deviceType || id != deviceSku) {
                check(decision == UpdateDecision::NotSuitable);
                continue;
            }
            const int order = compareVersions(major, minor, build);
            check(decision == (order < 0   ? UpdateDecision::Update
                               : order > 0 ? UpdateDecision::DeviceNewer
                                           : UpdateDecision::UpToDate));
        }
    }
    return 0;
}
