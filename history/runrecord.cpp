#include "history/runrecord.h"

#include "app/enumnames.h"
#include "app/version.h"

#include <QLocale>
#include <QSysInfo>
#include <QUuid>

namespace {
QJsonValue textOrNull(const QString &text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

constexpr EnumName<DriverState> driverNames[] = {
    {DriverState::Found, "found"}, {DriverState::Installed, "installed"}, {DriverState::Missing, "missing"}};

constexpr EnumName<RunOutcome> outcomeNames[] = {{RunOutcome::Running, "running"},
                                                 {RunOutcome::Updated, "updated"},
                                                 {RunOutcome::UpToDate, "up-to-date"},
                                                 {RunOutcome::NotSuitable, "not-suitable"},
                                                 {RunOutcome::DeviceNewer, "device-newer"},
                                                 {RunOutcome::NoDevice, "no-device"},
                                                 {RunOutcome::Cancelled, "cancelled"},
                                                 {RunOutcome::Failed, "failed"},
                                                 {RunOutcome::Closed, "closed"},
                                                 {RunOutcome::DriverMissing, "driver-missing"}};

constexpr EnumName<RunStage> stageNames[] = {{RunStage::Driver, "driver"},
                                             {RunStage::Search, "search"},
                                             {RunStage::UpdateMode, "update mode"},
                                             {RunStage::Image, "image"},
                                             {RunStage::Pages, "pages"},
                                             {RunStage::Finish, "finish"},
                                             {RunStage::CheckAfterUpdate, "check after update"}};

// Unknown has no name: the history writes null for it.
QJsonValue driverName(DriverState driver)
{
    return textOrNull(nameIn(driverNames, driver));
}
} // namespace

QString outcomeName(RunOutcome outcome)
{
    return nameIn(outcomeNames, outcome);
}

QString stageName(RunStage stage)
{
    return nameIn(stageNames, stage);
}

RunOutcome outcomeOf(UpdateDecision decision)
{
    switch (decision) {
    case UpdateDecision::NotSuitable:
        return RunOutcome::NotSuitable;
    case UpdateDecision::DeviceNewer:
        return RunOutcome::DeviceNewer;
    case UpdateDecision::UpToDate:
        return RunOutcome::UpToDate;
    case UpdateDecision::Update:
        break;
    }
    return RunOutcome::Running;
}

RunRecord RunRecord::begin()
{
    RunRecord r;
    r.run = QUuid::createUuid().toString(QUuid::WithoutBraces);
    r.started = QDateTime::currentDateTimeUtc();
    r.client = QStringLiteral(KZ_CLIENT_VERSION);
    r.carried = QStringLiteral(KZ_IMAGE_VERSION);
    r.system = QSysInfo::prettyProductName();
    r.locale = QLocale::system().name();
    return r;
}

bool RunRecord::settled() const
{
    switch (reached) {
    case RunOutcome::Updated:
    case RunOutcome::UpToDate:
    case RunOutcome::DriverMissing:
        return true;
    case RunOutcome::Failed:
        return failureEnds;
    default:
        return closedByUser;
    }
}

void RunRecord::setOutcome(RunOutcome how)
{
    if (!settled())
        reached = how;
}

void RunRecord::setFailure(RunStage stage, const QString &shownText, bool ends)
{
    // An update that the look after it does not confirm is a failure all the same; any other settled outcome, the
    // first failure the run ends with among them, is what the run is remembered by.
    if (closedByUser || (settled() && !(reached == RunOutcome::Updated && stage == RunStage::CheckAfterUpdate)))
        return;
    failedAt = stage == RunStage::Pages ? QStringLiteral("page %1").arg(pagesWritten + 1) : stageName(stage);
    message = shownText;
    failureEnds = ends;
    reached = RunOutcome::Failed;
}

void RunRecord::close()
{
    if (!settled())
        closedByUser = true;
}

RunOutcome RunRecord::outcome() const
{
    return closedByUser ? RunOutcome::Closed : reached;
}

QJsonObject RunRecord::toJson(bool ended) const
{
    const RunOutcome how = ended ? outcome() : RunOutcome::Running;
    QJsonObject o{{QStringLiteral("time"), started.toString(Qt::ISODateWithMs)},
                  {QStringLiteral("run"), run},
                  {QStringLiteral("client"), client},
                  {QStringLiteral("carried"), carried},
                  {QStringLiteral("system"), system},
                  {QStringLiteral("locale"), locale},
                  {QStringLiteral("driver"), driverName(driver)},
                  {QStringLiteral("port"), textOrNull(port)},
                  {QStringLiteral("device"), !version.isEmpty()
                                                 ? QJsonValue(QJsonObject{{QStringLiteral("hardware"), hardware},
                                                                          {QStringLiteral("sku"), sku},
                                                                          {QStringLiteral("version"), version}})
                                                 : QJsonValue()},
                  {QStringLiteral("decision"), decision ? QJsonValue(decisionName(*decision)) : QJsonValue()},
                  {QStringLiteral("pagesWritten"), pagesWritten},
                  {QStringLiteral("pages"), pages},
                  {QStringLiteral("versionAfter"), textOrNull(versionAfter)},
                  {QStringLiteral("outcome"), outcomeName(how)},
                  {QStringLiteral("durationMs"), durationMs}};
    if (how == RunOutcome::Failed) {
        o.insert(QStringLiteral("failedAt"), failedAt);
        o.insert(QStringLiteral("message"), message);
    }
    return o;
}
