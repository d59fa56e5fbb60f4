#pragma once

#include "sim/user/screenreaderlistener.h"

// What a screen reader was told during a run.
struct ScreenReaderLog : ScreenReaderListener
{
    // Every text of `window`'s step table was announced before the next box opened (and by now), and `inARow` was
    // heard one right after the other (cell texts, and box(text) for a box as it opened).
    void check(const QWidget *window, const QStringList &inARow);
};
