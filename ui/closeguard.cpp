#include "ui/closeguard.h"

#include <QEvent>
#include <QWidget>

#include <utility>

CloseGuard::CloseGuard(QWidget *window, std::function<void()> held, std::function<void()> closing,
                       std::function<void()> shownAgain)
    : QObject(window), window(window), held(std::move(held)), closing(std::move(closing)),
      shownAgain(std::move(shownAgain))
{
    window->installEventFilter(this);
}

void CloseGuard::setHolding(bool holding)
{
    if (holding && !holdingRun)
        heldClose = false;
    holdingRun = holding;
}

bool CloseGuard::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != window)
        return false;
    if (event->type() == QEvent::Show && std::exchange(closed, false)) {
        heldClose = false;
        shownAgain();
    }
    if (event->type() != QEvent::Close)
        return false;
    if (holdingRun) {
        event->ignore();
        // The acknowledgement is given once, however often the user tries.
        if (!std::exchange(heldClose, true))
            held();
        return true;
    }
    closed = true;
    closing();
    return false;
}
