#pragma once

// The command-line options that set up a simulated device, shared by every program that starts one (the stand-alone
// simulator and the demo), so that the same device state is asked for in the same words everywhere.

#include "sim/device/devicesimulator.h"

#include <QString>

class QCommandLineParser;

// Adds --fw-version, --new-version, --sku, --hardware, --run-mode, --restart-polls, --baud, --latency, --fault,
// --unplug-after-pages, --vanish-at and --silent-from. The help texts name the values of `defaults` as the defaults, so
// a program that starts its device differently says so in its own --help.
void addSimulatorOptions(QCommandLineParser &parser, const SimulatorConfig &defaults = SimulatorConfig());

// Applies the options that were given to *config; options left out keep the value *config already has. On a bad
// value, returns false with *error saying which option wants what, and *config is left as it was.
bool simulatorConfigFromOptions(const QCommandLineParser &parser, SimulatorConfig *config, QString *error);

// An identity field as option text: printable Latin-1 as is, every other byte (and the backslash) as \xHH.
QString fieldOptionText(const QByteArray &field);
