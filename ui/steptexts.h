#pragma once

#include <QString>

#include <array>

// Every text the step table can show, each said once: the steps write them, and the window measures them all to
// size itself so that none is cut in the language in use.
enum class StepText {
    SearchingDriver,
    InstallingDriver,
    CheckingDriver,
    SearchingDevice,
    ShuttingDown,
    DriverFound,
    DriverMissing,
    DriverNotUnpacked,
    Installing,
    Installed,
    DeviceNotFound,
    DeviceFound,
    UpdateStarted,
    NotSuitable,
    UpToDate,
    CloseHeld,
};

// Where a text sits in the table: a step in column 1 beside its status icon, the closing line in column 1 without
// one, a result in column 2, or a line across both text columns.
enum class StepCell { Step, ClosingLine, Result, Line };

// The text as the catalogue in use translates it.
QString stepText(StepText text);
StepCell stepCell(StepText text);

inline constexpr std::size_t stepTextCount = static_cast<std::size_t>(StepText::CloseHeld) + 1;

// All of them, in the order above.
constexpr std::array<StepText, stepTextCount> allStepTexts()
{
    std::array<StepText, stepTextCount> all{};
    for (std::size_t i = 0; i < all.size(); ++i)
        all[i] = static_cast<StepText>(i);
    return all;
}
