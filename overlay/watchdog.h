#pragma once
// The connection watchdog that ends every refresh-timer tick: until the link
// has first come up it abandons an attempt after ten ticks, retries after 500
// and gives up at the sixth retry.
#include <string>

struct Watchdog {
  bool linkUp = false;
  int waitTicks = 0;
  int retryCount = 0;
};

struct WatchdogStep {
  bool closeSocket = false;  // abandon the attempt in progress
  bool retry = false;        // show label, then ask the socket to connect again
  std::string label;         // "Connection Failed ReTry " + n when retrying
  bool endProgram = false;   // the sixth retry: unload the overlay
};

WatchdogStep WatchdogTick(Watchdog& w);

// An outgoing connection has completed: the watchdog stays off from now on.
void WatchdogLinkUp(Watchdog& w);
