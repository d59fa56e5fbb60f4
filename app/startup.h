#pragma once

#include <QSize>
#include <QString>

class QTranslator;

// The window covers this share of the first screen, rounded to whole pixels with halves going up.
QSize windowSizeForScreen(QSize screen);

// Used when the system reports no screen at all (a headless session, a display being reconfigured): the window's
// size for a common 1920 x 1080 desktop, so that start-up goes on instead of reading a screen that is not there.
QSize fallbackWindowSize();

// Loads ":/transliterations/" + the locale name by the translator's usual lookup (de_AT finds de.qm), falling back to
// the English catalogue. Returns whether the locale's own catalogue was found.
bool loadCatalogue(QTranslator &translator, const QString &localeName);
