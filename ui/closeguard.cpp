#include "ui/closeguard.h"

#include <QEvent>
#include <QWidget>

#include <utility>

CloseGuard::CloseGuard(QWidget *window, std::function<void()> held, std::function<void()> closing)
    : QObject(window), window(window), held(std::move(held)), closing(std::move(closing))
{
    window->installEventFilter(this);
}

bool CloseGuard::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != window || event->type() != QEvent::Close)
        return false;
    if (holdingRun) {
        event->ignore();
        // The acknowledgement is given once, however often the user tries.
        if (!std::exchange(heldClose, true))
            held();
        return true;
    }
    closing();
    return false;
}
