#pragma once
// The connection watchdog at the end of the refresh-timer tick: until the link
// has first come up it retries on every 501st tick it counts and ends the
// program at the sixth retry. It counts the ticks that reach it: the tick in
// which Print Screen opens the action window ends before it. An attempt stays
// pending until the next retry replaces it, so a server a long round trip away
// has 501 ticks to answer: five seconds at Wine's 10 ms, about eight at the
// 15.6 ms at which Windows delivers the 10 ms timer.
#include <string>

struct Watchdog {
  bool linkUp = false;
  int waitTicks = 0;
  int retryCount = 0;
};

struct WatchdogStep {
  bool retry = false;        // show the message line, then replace the pending attempt by a new one
  std::string messageLine;   // "Connection Failed ReTry " + n when retrying
  bool endProgram = false;   // the sixth retry: close the overlay
};

WatchdogStep WatchdogTick(Watchdog& w);

// An outgoing connection has completed: the watchdog stays off from now on.
void WatchdogLinkUp(Watchdog& w);
