#include "bench/lineplan.h"

#include "device/firmwareimage.h"
#include "device/protocol.h"
#include "serial/framecodec.h"

namespace {

// A device in its application first gets half a second to restart before the client asks for its status again.
constexpr int restartWaitMs = 500;

QByteArray statusReply(quint8 runMode)
{
    return protocol::statusReply(runMode, benchDeviceVersion[0], benchDeviceVersion[1], benchDeviceVersion[2]);
}

// An accepted page or finish.
QByteArray answer(quint8 code)
{
    return protocol::answerReply(code, 0);
}

} // namespace

LinePlan planTransfer(const QByteArray &image, bool startsInApplication, double thinkTimeMs)
{
    LinePlan plan;
    // Each frame counted in its direction; returns its length on the line.
    const auto count = [](qint64 &bytes, int &frames, const QByteArray &payload) {
        const int n = framecodec::encodeFrame(payload).size();
        bytes += n;
        ++frames;
        return n;
    };
    const auto request = [&](const QByteArray &payload) { return count(plan.requestBytes, plan.requests, payload); };
    const auto reply = [&](const QByteArray &payload) { return count(plan.replyBytes, plan.replies, payload); };
    const QByteArray statusRequest =
        protocol::readBlockRequest(DeviceCommand::ReadBlock, 0, protocol::statusReplyLength);

    request(statusRequest);
    reply(statusReply(startsInApplication ? protocol::runModeApplication : 0));
    if (startsInApplication) {
        request(protocol::setUpdateModeRequest(true));
        plan.requiredWaitMs += restartWaitMs;
        request(statusRequest);
        reply(statusReply(0));
    }

    plan.pages = firmwareimage::pageCount(image.size());
    for (qint64 k = 0; k < plan.pages; ++k) {
        const QByteArray page = firmwareimage::page(image, k);
        plan.pageRequestBytes.append(
            request(protocol::writePageRequest(firmwareimage::pageAddress(k), page.constData())));
        plan.pageReplyBytes = reply(answer(DeviceCommand::WritePage));
    }

    const quint16 imageCrc = firmwareimage::crc16Modbus(firmwareimage::padded(image));
    request(protocol::finishImageRequest(firmwareimage::endAddress(plan.pages), imageCrc));
    reply(answer(DeviceCommand::FinishImage));
    plan.requiredWaitMs += thinkTimeMs * plan.replies;
    // The request to leave update mode comes last and nothing waits for it to cross the line (the client returns as
    // soon as the port has taken it), so it is no part of the bound.
    return plan;
}
