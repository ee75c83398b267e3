#pragma once
// IPv4 addresses for the programs' sockets.
#include <winsock2.h>

#include <string>

// Fills out with host (a dotted address or a name) and port. False when the
// host is empty or cannot be resolved; port is taken as given.
bool ResolveIPv4(const std::string& host, int port, int socketType, sockaddr_in& out);
