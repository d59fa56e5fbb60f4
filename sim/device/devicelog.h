#pragma once

// The simulated device's log, one JSON object a line, as kivra-zid-sim writes it to stderr: what it heard, when it
// vanished and came back, and how it stood when it was stopped. Programs that run the device as a process of their
// own (the benchmark, the Windows suites) read it back through parse(); anything else on the stream (a message that
// is not a JSON object) is passed over.
//
//   {"address":32768,"answered":true,"bytes":519,"code":9,"event":"request","ms":1183.065938,"name":"write-page"}
//   {"address":186368,...,"code":27,"event":"request","finish":"accepted",...,"name":"finish"}
//   {"epochMs":1765000000000,"event":"unplugged","replug":false}
//   {"event":"plugged-in","port":"/dev/pts/7"}
//   {"badFrames":0,"event":"stopped","finish":"accepted","pageWritesAccepted":300,"runMode":1,"version":"0.1.2"}

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVector>

namespace devicelog {

struct Request
{
    double ms = 0; // when its last byte had arrived, on the device's clock
    quint8 code = 0;
    int bytes = 0;
    quint32 address = 0;
    bool answered = false;
    QString finish; // of an answered finish request: "accepted" or "rejected"
};

struct Stopped
{
    int pageWritesAccepted = -1;
    int badFrames = -1;
    QString finish; // the last finish request's verdict, "" where none came
    int runMode = -1;
    QString version;

    bool finishAccepted() const;
};

struct Log
{
    QVector<Request> requests;
    qint64 unpluggedAtEpochMs = -1; // the first time it vanished
    bool pluggedInAgain = false;
    Stopped stopped;

    QList<quint8> codes() const;
    int count(quint8 code) const;
    int finishesAccepted() const;
};

// How the log words a finish request's verdict: "accepted" or "rejected".
QString finishVerdict(bool accepted);

// The name the log gives each request code ("status", "write-page", ...; "unknown" for the rest).
QString requestName(quint8 code);

QByteArray requestLine(const Request &request);
QByteArray unpluggedLine(qint64 epochMs, bool replug);
QByteArray pluggedInLine(const QString &port);
QByteArray stoppedLine(const Stopped &stopped);

Log parse(const QByteArray &text);
// The log file at `path`; an empty log where it cannot be read.
Log read(const QString &path);

} // namespace devicelog
