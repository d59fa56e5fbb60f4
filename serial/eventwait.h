#pragma once

#include <QtGlobal>

#include <functional>

// Waits while the GUI thread keeps processing events, the way the client waits for a reply or lets time pass.
//
// Each pass processes every pending event; the first pass always runs, also for a zero time-out. Between passes the
// thread sleeps in the event dispatcher until an event arrives or the deadline is due, instead of polling: a polling
// wait would keep one core busy for the whole firmware transfer, draining laptops and starving the USB host on weak
// PCs.
// The time-out is measured on a monotonic clock.
//
// `done` is asked after every pass; the wait ends when it returns true or the time-out has been reached.
// Returns the milliseconds elapsed when the wait ended.
qint64 waitWhileProcessingEvents(int timeoutMs, const std::function<bool()> &done);
