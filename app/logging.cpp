#include "app/logging.h"

Q_LOGGING_CATEGORY(lcStartup, "kivrazid.startup")
Q_LOGGING_CATEGORY(lcHistory, "kivrazid.history")
Q_LOGGING_CATEGORY(lcSerial, "kivrazid.serial")
// Debug output of the trace is off by default: only informational messages and above pass without a rule.
Q_LOGGING_CATEGORY(lcSerialTrace, "kivrazid.serial.trace", QtInfoMsg)
