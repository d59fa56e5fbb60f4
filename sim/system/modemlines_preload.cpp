// Preloaded into Wine (LD_PRELOAD) for the Windows runs against the simulated device, never part of the client.
//
// A UART's driver answers the modem-line requests; a pseudo-terminal refuses them with ENOTTY. Wine reads the lines
// on every comm event, and a refusal there cancels the wait (error 995), so the client's QSerialPort would never see
// a byte. Where the kernel refuses, this answers as a cable with the far end ready would: DSR, CTS and DCD set, and
// every change of DTR and RTS taken. Where the kernel answers (a real port), its answer stands.

#include <cerrno>
#include <cstdarg>
#include <dlfcn.h>
#include <sys/ioctl.h>

namespace {
using IoctlFunction = int (*)(int, unsigned long, ...);

bool isModemLineRequest(unsigned long request)
{
    return request == TIOCMGET || request == TIOCMSET || request == TIOCMBIS || request == TIOCMBIC;
}
} // namespace

extern "C" int ioctl(int fd, unsigned long request, ...) noexcept
{
    static const auto real = reinterpret_cast<IoctlFunction>(dlsym(RTLD_NEXT, "ioctl"));
    va_list arguments;
    va_start(arguments, request);
    void *argument = va_arg(arguments, void *);
    va_end(arguments);
    if (!real) {
        errno = ENOSYS;
        return -1;
    }
    const int result = real(fd, request, argument);
    if (result == 0 || !isModemLineRequest(request) || (errno != ENOTTY && errno != EINVAL))
        return result;
    if (request == TIOCMGET && argument)
        *static_cast<int *>(argument) = TIOCM_DSR | TIOCM_CTS | TIOCM_CAR | TIOCM_DTR | TIOCM_RTS;
    return 0;
}
