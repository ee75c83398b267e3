#pragma once
// Waits that keep the window's events flowing.
#include <cstdint>

#include "common/core/tick_wait.h"

// Milliseconds from the performance counter, the one clock of every wait and
// ping: GetTickCount moves in steps of 10 to 16 ms, too coarse for the ping of
// a server nearby, and a wait on it would end apart from the waits it holds.
uint32_t MillisecondClock();

// Lets pending window events run, then sleeps on the message queue, until more
// than ms milliseconds have passed. Events arriving meanwhile run inside it.
// A quit request seen here is put back for the main loop and ends the wait.
void WaitKeepingEventsFlowing(int32_t ms);

// Runs every pending window event once, without waiting. Returns false when a
// quit request was seen (it is put back for the main loop).
bool PumpPendingEvents();
