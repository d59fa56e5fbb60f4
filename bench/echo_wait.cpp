// kivra-echo-wait: the least a Windows program can do per page on a serial line, for comparison with the client.
//
// It writes the transfer's page requests to a port and waits for each answer with an overlapped WaitCommEvent for
// EV_RXCHAR, as Qt's Windows backend does (this one takes the completion from an I/O completion port, Qt as an APC),
// then ReadFile of what is queued: no event loop, no widgets and no client code on the path. What it adds to the line's
// own time per page is the cost of the system's comm-event path (under Wine: Wine's); what the client adds beyond that
// is the client's and Qt's. A device in its application rejects the pages but answers each one, so the exchange is the
// same.
//
//   kivra-echo-wait COM10 [baud]

#include "app/constants.h"
#include "bench/lineplan.h"
#include "device/firmwareimage.h"
#include "device/protocol.h"
#include "serial/framecodec.h"

#include <QVector>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <windows.h>

namespace {

struct Port
{
    HANDLE handle = INVALID_HANDLE_VALUE;
    HANDLE completion = nullptr;

    bool open(const wchar_t *name, DWORD baud)
    {
        handle =
            CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
        if (handle == INVALID_HANDLE_VALUE)
            return false;
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        GetCommState(handle, &dcb);
        dcb.BaudRate = baud;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.fBinary = TRUE;
        COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 0, 0}; // reads return what is queued at once
        completion = CreateIoCompletionPort(handle, nullptr, 0, 0);
        return SetCommState(handle, &dcb) && SetCommTimeouts(handle, &timeouts) && SetCommMask(handle, EV_RXCHAR) &&
               completion;
    }

    // Starts an overlapped operation and waits for its completion packet.
    template <typename Start> bool complete(Start start, DWORD *transferred)
    {
        OVERLAPPED overlapped{};
        if (!start(&overlapped) && GetLastError() != ERROR_IO_PENDING)
            return false;
        ULONG_PTR key = 0;
        LPOVERLAPPED done = nullptr;
        return GetQueuedCompletionStatus(completion, transferred, &key, &done, 5000) && done == &overlapped;
    }

    bool write(const QByteArray &bytes)
    {
        DWORD n = 0;
        return complete(
                   [&](OVERLAPPED *o) { return WriteFile(handle, bytes.constData(), DWORD(bytes.size()), nullptr, o); },
                   &n) &&
               n == DWORD(bytes.size());
    }

    // Waits for bytes until the frame's end byte has come.
    bool awaitFrame()
    {
        for (;;) {
            DWORD mask = 0;
            DWORD n = 0;
            if (!complete([&](OVERLAPPED *o) { return WaitCommEvent(handle, &mask, o); }, &n))
                return false;
            COMSTAT status{};
            DWORD errors = 0;
            ClearCommError(handle, &errors, &status);
            QByteArray bytes(int(status.cbInQue), '\0');
            if (bytes.isEmpty())
                continue;
            if (!complete(
                    [&](OVERLAPPED *o) { return ReadFile(handle, bytes.data(), DWORD(bytes.size()), nullptr, o); }, &n))
                return false;
            if (bytes.left(int(n)).contains(framecodec::endByte))
                return true;
        }
    }
};
} // namespace

int main(int argc, char *argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: kivra-echo-wait PORT [baud]\n");
        return 2;
    }
    const DWORD baud = argc > 2 ? DWORD(std::atoi(argv[2])) : 115200;
    const QByteArray image = readFirmwareResource();
    if (image.isEmpty())
        return 1;
    const std::wstring name = L"\\\\.\\" + QString::fromLocal8Bit(argv[1]).toStdWString();
    Port port;
    if (!port.open(name.c_str(), baud)) {
        std::fprintf(stderr, "cannot open %s (error %lu)\n", argv[1], GetLastError());
        return 1;
    }

    const qint64 pages = firmwareimage::pageCount(image.size());
    // A page refused by a device in its application: the answer code, then status 1.
    const int answerBytes = framecodec::encodeFrame(protocol::answerReply(DeviceCommand::WritePage, 1)).size();
    QVector<double> extraMs; // per page: the cycle less the line time of its request and answer
    double lineSeconds = 0;
    const auto started = std::chrono::steady_clock::now();
    for (qint64 k = 0; k < pages; ++k) {
        const QByteArray page = firmwareimage::page(image, k);
        const QByteArray frame =
            framecodec::encodeFrame(protocol::writePageRequest(firmwareimage::pageAddress(k), page.constData()));
        const auto before = std::chrono::steady_clock::now();
        if (!port.write(frame) || !port.awaitFrame()) {
            std::fprintf(stderr, "page %lld: no answer (error %lu)\n", k, GetLastError());
            return 1;
        }
        const double cycle = std::chrono::duration<double>(std::chrono::steady_clock::now() - before).count();
        const double line = double((frame.size() + answerBytes) * bitsPerByte) / baud;
        lineSeconds += line;
        extraMs.append((cycle - line) * 1000);
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::sort(extraMs.begin(), extraMs.end());
    std::printf("echo-wait over %lld pages at %lu baud: wall %.3f s, line %.3f s, ratio %.4f, "
                "extra per page median %.3f ms, p99 %.3f ms\n",
                pages, baud, wall, lineSeconds, wall / lineSeconds, extraMs.at(extraMs.size() / 2),
                extraMs.at(std::min<int>(extraMs.size() - 1, extraMs.size() * 99 / 100)));
    return 0;
}
