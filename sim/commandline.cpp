#include "sim/commandline.h"

#include <QByteArray>
#include <QCommandLineParser>
#include <QTextStream>

namespace commandline {

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

int usageError(const QString &message)
{
    err() << message << '\n';
    err().flush();
    return 2;
}

bool intOption(const QCommandLineParser &parser, const QString &name, int minimum, int maximum, int *out)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const int value = parser.value(name).toInt(&ok, 0);
    if (!ok || value < minimum || value > maximum)
        return false;
    *out = value;
    return true;
}

bool fail(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return false;
}

bool wantsTextOnly(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--help" || arg == "-h" || arg == "-?" || arg == "--help-all")
            return true;
    }
    return false;
}

} // namespace commandline
