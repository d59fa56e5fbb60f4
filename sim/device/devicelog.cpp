#include "sim/device/devicelog.h"

#include "device/protocol.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>

#include <algorithm>

namespace devicelog {

namespace {

QByteArray line(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace

QString finishVerdict(bool accepted)
{
    return accepted ? QStringLiteral("accepted") : QStringLiteral("rejected");
}

bool Stopped::finishAccepted() const
{
    return finish == finishVerdict(true);
}

QString requestName(quint8 code)
{
    switch (code) {
    case DeviceCommand::ReadBlock:
        return QStringLiteral("status");
    case DeviceCommand::Identify:
        return QStringLiteral("identify");
    case DeviceCommand::SetUpdateMode:
        return QStringLiteral("update-mode");
    case DeviceCommand::WritePage:
        return QStringLiteral("write-page");
    case DeviceCommand::FinishImage:
        return QStringLiteral("finish");
    default:
        return QStringLiteral("unknown");
    }
}

QByteArray requestLine(const Request &request)
{
    QJsonObject object{{QStringLiteral("event"), QStringLiteral("request")},
                       {QStringLiteral("ms"), request.ms},
                       {QStringLiteral("code"), request.code},
                       {QStringLiteral("name"), requestName(request.code)},
                       {QStringLiteral("bytes"), request.bytes},
                       {QStringLiteral("address"), static_cast<qint64>(request.address)},
                       {QStringLiteral("answered"), request.answered}};
    if (!request.finish.isEmpty())
        object.insert(QStringLiteral("finish"), request.finish);
    return line(object);
}

QByteArray unpluggedLine(qint64 epochMs, bool replug)
{
    return line({{QStringLiteral("event"), QStringLiteral("unplugged")},
                 {QStringLiteral("epochMs"), epochMs},
                 {QStringLiteral("replug"), replug}});
}

QByteArray pluggedInLine(const QString &port)
{
    return line({{QStringLiteral("event"), QStringLiteral("plugged-in")}, {QStringLiteral("port"), port}});
}

QByteArray stoppedLine(const Stopped &stopped)
{
    return line({{QStringLiteral("event"), QStringLiteral("stopped")},
                 {QStringLiteral("pageWritesAccepted"), stopped.pageWritesAccepted},
                 {QStringLiteral("badFrames"), stopped.badFrames},
                 {QStringLiteral("finish"), stopped.finish},
                 {QStringLiteral("runMode"), stopped.runMode},
                 {QStringLiteral("version"), stopped.version}});
}

Log parse(const QByteArray &text)
{
    Log log;
    const QList<QByteArray> lines = text.split('\n');
    for (const QByteArray &raw : lines) {
        const QJsonObject o = QJsonDocument::fromJson(raw).object();
        const QString event = o.value(QStringLiteral("event")).toString();
        if (event == QLatin1String("request")) {
            Request r;
            r.ms = o.value(QStringLiteral("ms")).toDouble();
            r.code = static_cast<quint8>(o.value(QStringLiteral("code")).toInt());
            r.bytes = o.value(QStringLiteral("bytes")).toInt();
            r.address = static_cast<quint32>(o.value(QStringLiteral("address")).toDouble());
            r.answered = o.value(QStringLiteral("answered")).toBool();
            r.finish = o.value(QStringLiteral("finish")).toString();
            log.requests.append(r);
        } else if (event == QLatin1String("unplugged")) {
            if (log.unpluggedAtEpochMs < 0)
                log.unpluggedAtEpochMs = static_cast<qint64>(o.value(QStringLiteral("epochMs")).toDouble());
        } else if (event == QLatin1String("plugged-in")) {
            log.pluggedInAgain = true;
        } else if (event == QLatin1String("stopped")) {
            log.stopped.pageWritesAccepted = o.value(QStringLiteral("pageWritesAccepted")).toInt(-1);
            log.stopped.badFrames = o.value(QStringLiteral("badFrames")).toInt(-1);
            log.stopped.finish = o.value(QStringLiteral("finish")).toString();
            log.stopped.runMode = o.value(QStringLiteral("runMode")).toInt(-1);
            log.stopped.version = o.value(QStringLiteral("version")).toString();
        }
    }
    return log;
}

Log read(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? parse(file.readAll()) : Log();
}

QList<quint8> Log::codes() const
{
    QList<quint8> out;
    for (const Request &r : requests)
        out.append(r.code);
    return out;
}

int Log::count(quint8 code) const
{
    return static_cast<int>(codes().count(code));
}

int Log::finishesAccepted() const
{
    return static_cast<int>(std::count_if(requests.begin(), requests.end(),
                                          [](const Request &r) { return r.finish == finishVerdict(true); }));
}

} // namespace devicelog
