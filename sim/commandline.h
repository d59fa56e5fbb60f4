#pragma once

// What the simulator, the demo and the benchmark share on their command lines: their error stream, the usage error,
// and numeric options checked against their range.

#include <QString>

class QCommandLineParser;
class QTextStream;

namespace commandline {

QTextStream &err();
// Prints `message` and returns the exit status of a usage error (2).
int usageError(const QString &message);
// The option `name` as a number (decimal, or 0x.. hex) from minimum to maximum into *out; false when it is not one.
// An option left out leaves *out as it is.
bool intOption(const QCommandLineParser &parser, const QString &name, int minimum, int maximum, int *out);
// Sets *error (where one is given) to `why` and returns false: how an option's parser says what it refused.
bool fail(QString *error, const QString &why);
// --help and friends print and exit; they must work where no display is, so no GUI application is made for them.
bool wantsTextOnly(int argc, char *argv[]);

} // namespace commandline
