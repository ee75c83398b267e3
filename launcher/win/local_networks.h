#pragma once
// This machine's networks that a broadcast reaches, as the system lists them.
#include <vector>

#include "launcher/core/local_network.h"

std::vector<Subnet> LocalNetworks();
