// Feeds arbitrary line bytes to the reply decoder: it must never crash, never read outside the buffer, and whatever
// it accepts must be a non-empty payload that, framed again by the encoder, decodes to the same payload. (The frame
// it came from need not be byte-equal to that: stray bytes before the start byte and after the end byte are dropped.)

#include "serial/framecodec.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray collected(reinterpret_cast<const char *>(data), static_cast<int>(size));
    QByteArray payload;
    if (framecodec::decodeFrame(collected, &payload) != framecodec::DecodeResult::Ok)
        return 0;
    if (payload.isEmpty())
        std::abort();
    // A frame that decodes is consistent: re-encoding its payload and decoding that gives the same payload.
    QByteArray again;
    if (framecodec::decodeFrame(framecodec::encodeFrame(payload), &again) != framecodec::DecodeResult::Ok ||
        again != payload)
        std::abort();
    return 0;
}
