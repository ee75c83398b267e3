#pragma once
// Where the "Local network" source asks: the broadcast address of each
// network this machine is on, and the query ports the games' own browser asks there.
// Addresses are IPv4 in host byte order.
#include <cstdint>
#include <vector>

constexpr int kFirstLocalQueryPort = 12300;
constexpr int kLastLocalQueryPort = 12316;

struct Subnet {
  uint32_t address = 0;
  uint32_t mask = 0;
  uint32_t Broadcast() const { return address | ~mask; }
  bool Holds(uint32_t other) const { return (other & mask) == (address & mask); }
  bool operator==(const Subnet&) const = default;
};

struct InterfaceAddress {
  Subnet subnet;
  bool up = false;
  bool loopback = false;
};

// The networks worth a broadcast: of interfaces that are up and not loopback,
// with room for hosts beside this one (a /31 or /32 has no broadcast), each once.
std::vector<Subnet> BroadcastNetworks(const std::vector<InterfaceAddress>& interfaces);
