#pragma once

// The names an enum's values go by in the run history: one table an enum, each value with its name once.

#include <QString>

#include <utility>

template <typename Enum> using EnumName = std::pair<Enum, const char *>;

// The name of `value` in `table`; empty for a value the table leaves out.
template <typename Enum, std::size_t N> QString nameIn(const EnumName<Enum> (&table)[N], Enum value)
{
    for (const auto &[each, name] : table) {
        if (each == value)
            return QString::fromLatin1(name);
    }
    return {};
}
