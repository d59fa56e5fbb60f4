// Builds a run's record from arbitrary bytes, its strings of any length and any characters (control characters, NUL,
// characters beyond the basic plane), and fits it to the history's bound as the history writes it. What comes out
// must be one line within the bound that a reader takes for the record it was: each string whole, or a beginning of
// it that is whole characters, marked with "…"; every other field as it was.

#include "history/historyline.h"
#include "history/runhistory.h"
#include "history/runrecord.h"

#include <QJsonDocument>

#include <cstdint>
#include <cstdlib>
#include <iterator>

namespace {
void check(bool property)
{
    if (!property)
        std::abort();
}

void checkFitted(const QJsonObject &record, const QJsonObject &read)
{
    check(read.keys() == record.keys());
    for (auto field = record.begin(); field != record.end(); ++field) {
        const QJsonValue was = field.value(), is = read.value(field.key());
        if (was.isObject()) {
            check(is.isObject());
            checkFitted(was.toObject(), is.toObject());
        } else if (was.isString() && is != was) {
            check(is.isString() && is.toString().endsWith(QStringLiteral("…")));
            const QString kept = is.toString().chopped(1);
            check(kept.isValidUtf16() && kept.size() < was.toString().size() && was.toString().startsWith(kept));
        } else {
            check(is == was);
        }
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte says how often each string repeats its piece, so that short inputs make records past the bound;
    // the pieces are parted by 0xFE, a byte UTF-8 never holds.
    const int times = 1 + data[0] * 2;
    const QByteArray bytes(reinterpret_cast<const char *>(data) + 1, static_cast<int>(size) - 1);
    RunRecord record;
    QString *const strings[] = {&record.run,  &record.client,   &record.carried, &record.system,  &record.locale,
                                &record.port, &record.hardware, &record.sku,     &record.version, &record.versionAfter};
    const QList<QByteArray> pieces = bytes.split('\xFE');
    for (int i = 0; i < pieces.size(); ++i) {
        const QString text = QString::fromUtf8(pieces[i].constData(), pieces[i].size()).repeated(times);
        if (i < int(std::size(strings)))
            *strings[i] = text;
        else
            record.setFailure(RunStage::Pages, text);
    }
    record.pagesWritten = times;
    record.durationMs = qint64(times) << 32;
    const QJsonObject json = record.toJson();
    const QByteArray line =
        historyline::fittedLine(QJsonDocument(json).toJson(QJsonDocument::Compact), RunHistory::maxRecordBytes);
    check(!line.isEmpty() && line.size() <= RunHistory::maxRecordBytes && line.indexOf('\n') == line.size() - 1);
    const QJsonDocument read = QJsonDocument::fromJson(line);
    check(read.isObject());
    checkFitted(json, read.object());
    return 0;
}
