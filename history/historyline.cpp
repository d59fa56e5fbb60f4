#include "history/historyline.h"

#include <QString>

#include <algorithm>
#include <limits>

namespace {
int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    const char lower = char(c | 0x20);
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// The UTF-16 unit of the \uXXXX escape at `at`; -1 where there is none.
int escapedUnit(const QByteArray &json, int at)
{
    if (at + 6 > json.size() || json.at(at) != '\\' || json.at(at + 1) != 'u')
        return -1;
    int unit = 0;
    for (int i = at + 2; i < at + 6; ++i) {
        const int digit = hexDigit(json.at(i));
        if (digit < 0)
            return -1;
        unit = unit * 16 + digit;
    }
    return unit;
}

// The bytes of the character or escape that begins at `at` inside a string. Half a \uXXXX escape is no JSON, and half
// a surrogate pair is no character: a reader would skip the whole line for either. Qt writes characters beyond the
// basic plane as UTF-8, but another writer's line may hold them as a pair of escapes.
int unitLength(const QByteArray &json, int at)
{
    if (json.at(at) == '\\') {
        const int unit = escapedUnit(json, at);
        if (unit < 0)
            return std::min(2, int(json.size()) - at);
        const int low = unit >= 0xD800 && unit < 0xDC00 ? escapedUnit(json, at + 6) : -1;
        return low >= 0xDC00 && low < 0xE000 ? 12 : 6;
    }
    int length = 1;
    while (at + length < json.size() && (uchar(json.at(at + length)) & 0xC0) == 0x80)
        ++length;
    return length;
}

// `json` with every string longer than `keepBytes` cut to at most that many bytes and a mark that it was cut, and
// the bytes of its longest string before the cut. One pass over the bytes, without parsing, so that a record of
// megabytes costs the run no noticeable time; text that is no JSON is cut all the same.
QByteArray cutLongStrings(const QByteArray &json, int keepBytes, int *longest)
{
    *longest = 0;
    const QByteArray mark = QStringLiteral("…").toUtf8();
    QByteArray out;
    int i = 0;
    while (i < json.size()) {
        const int quote = int(json.indexOf('"', i));
        if (quote < 0) {
            out += json.mid(i);
            break;
        }
        out += json.mid(i, quote + 1 - i);
        // The string's bytes up to its closing quote; it is cut where its last character or escape that begins within
        // the bound begins.
        const int start = quote + 1;
        int cutAt = start;
        int end = start;
        while (end < json.size() && json.at(end) != '"') {
            if (end - start <= keepBytes)
                cutAt = end;
            end += unitLength(json, end);
        }
        if (end >= json.size()) {
            out += json.mid(start);
            break;
        }
        *longest = std::max(*longest, end - start);
        out += end - start > keepBytes ? json.mid(start, cutAt - start) + mark : json.mid(start, end - start);
        out += '"';
        i = end + 1;
    }
    return out;
}
} // namespace

namespace historyline {

QByteArray fittedLine(QByteArray json, qint64 limit)
{
    // Many strings, none of them past the first cut, can make a line too long all the same: the cut goes on to
    // shorter lengths while that can shorten a string.
    int longest = std::numeric_limits<int>::max();
    for (int keep = 4096; json.size() + 1 > limit; keep /= 2) {
        if (keep < 32)
            return QByteArray();
        if (keep < longest)
            json = cutLongStrings(json, keep, &longest);
    }
    return json + '\n';
}

} // namespace historyline
