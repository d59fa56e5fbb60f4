#pragma once

// The client's debug output, by subject, so that QT_LOGGING_RULES picks what a support person wants to see:
//   kivrazid.startup        the locale and catalogue choice
//   kivrazid.history        the run history (history/runhistory.h) where it cannot be kept
//   kivrazid.serial         the serial worker's life
//   kivrazid.serial.trace   every frame written and every reply received (serial/serialtrace.h); off unless the
//                           rules turn it on: QT_LOGGING_RULES="kivrazid.serial.trace.debug=true"

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcStartup)
Q_DECLARE_LOGGING_CATEGORY(lcHistory)
Q_DECLARE_LOGGING_CATEGORY(lcSerial)
Q_DECLARE_LOGGING_CATEGORY(lcSerialTrace)
