#pragma once

// The user-visible texts, in the source language the tests run in (no catalogue is installed), written once so that a
// text the client says in the wrong place, or misspells, fails the runs that expect it; and the languages the client
// carries.

#include <QList>
#include <QString>
#include <QStringList>

namespace texts {
extern const QStringList languages;
extern const QString connectTitle;
extern const QString connectPrompt;
extern const QString updateTitle;
extern const QString ready;
extern const QString success;
extern const QString closeHeld;
extern const QString restartError;
extern const QString upToDate;
extern const QString notFound;
extern const QString found;
extern const QString searching;
extern const QString shuttingDown;
extern const QString started;
extern const QString driverSearch;
extern const QString driverFound;
extern const QString driverMissing;
extern const QString installing;
extern const QString installed;
extern const QString checking;

// The connection prompt as a user of each language reads it: its title and text from the client's catalogue, its
// Cancel button in the toolkit's word and its Ok button as "OK", which the text names. By the two letters of the
// user's language; a language the client has not (Italian here, which Qt has) falls back to English, toolkit and all.
struct WordedPrompt
{
    QString title;
    QString text;
    QString ok;
    QString cancel;
};
WordedPrompt promptIn(const QString &localeName);
} // namespace texts

// A row of the step table as WindowRun::rows() gives it: "step | result | icon".
QString row(const QString &step, const QString &result = {}, const char *icon = "");

// What a user sees of the common runs, as WindowRun::rows() and boxTexts() give it.
namespace seen {
extern const QString driverRow;
extern const QString foundRow;
extern const QString notFoundRow;
extern const QStringList updateBoxes;
// The requests of a whole update of the device on the release before, in order: the search, the switch to update
// mode and one restart poll, the carried image's pages, the finish, the switch back, and the second search.
QList<quint8> updateRequests();
// The device panel of a device of the carried kind, as a screen reader is given it.
QString panelReadAloud(const QString &shownVersion);
// The device on the release before: found, updated, found again up to date, and the closing row.
QStringList wholeUpdateRows();
} // namespace seen
