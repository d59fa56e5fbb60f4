#pragma once

#include <QSize>
#include <QString>

class QTranslator;
class SingleInstance;

// Before the application object exists: Qt's high-DPI scaling on, so that icons, the panel picture, margins and fixed
// sizes follow the text at any display scaling, and 125 % or 150 % are taken as they are instead of rounded.
void enableHighDpiScaling();

// The window covers this share of the first screen, rounded to whole pixels with halves going up.
QSize windowSizeForScreen(QSize screen);

// Used when the system reports no screen at all (a headless session, a display being reconfigured): the window's
// size for a common 1920 x 1080 desktop, so that start-up goes on instead of reading a screen that is not there.
QSize fallbackWindowSize();

// Loads ":/transliterations/" + the locale name by the translator's usual lookup (de_AT finds de.qm), falling back to
// the English catalogue. Returns whether the locale's own catalogue was found.
bool loadCatalogue(QTranslator &translator, const QString &localeName);

// The toolkit's own catalogue (standard buttons and the other texts Qt itself shows) for the language of the client's
// catalogue, which decides the language; none where the client speaks English, by choice or by fallback
// (clientFound false). Looked for beside the program first (the Windows packages carry it there), then in Qt's own
// translations folder (the system's on Linux). Returns whether one was loaded.
bool loadToolkitCatalogue(QTranslator &toolkit, const QTranslator &client, bool clientFound);

// Start-up as every entry point does it: the system locale's name on the debug log, the client's catalogue and the
// toolkit's for the same language loaded, and both translators installed (always, so that a catalogue found later
// would still apply).
void installCatalogues(QTranslator &client, QTranslator &toolkit);

// Start-up as every entry point makes it, once the application's name is set: one client at a time
// (app/singleinstance.h), then the catalogues. False where this start is to end: the running client showed its window,
// or one runs that neither answered nor ended, which the user has been told in their language.
bool startAsOnlyClient(SingleInstance &instance, QTranslator &client, QTranslator &toolkit);

// The main window's size for the application's first screen, or the fallback when there is none.
QSize initialWindowSize();
