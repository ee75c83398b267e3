#pragma once
// The connection watchdog that ends every refresh-timer tick: until the link
// has first come up it retries every 501 ticks and gives up at the sixth retry.
// An attempt stays pending until the next retry replaces it, so a server a
// long round trip away still has five seconds to answer.
#include <string>

struct Watchdog {
  bool linkUp = false;
  int waitTicks = 0;
  int retryCount = 0;
};

struct WatchdogStep {
  bool retry = false;        // show the status line, then replace the pending attempt by a new one
  std::string statusLine;    // "Connection Failed ReTry " + n when retrying
  bool endProgram = false;   // the sixth retry: close the overlay
};

WatchdogStep WatchdogTick(Watchdog& w);

// An outgoing connection has completed: the watchdog stays off from now on.
void WatchdogLinkUp(Watchdog& w);
