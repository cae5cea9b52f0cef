// One question to the kernel's routing table over rtnetlink, as "ip route
// get DESTINATION from SOURCE" asks it: by which device does what source
// sends to destination leave this machine.
#pragma once

#include <netinet/in.h>

#include <string>

// ifindex is the device's index, 0 when destination is an address of
// this machine; false with why when there is no route (or no answer).
bool RouteDevice(const sockaddr_in& source, const sockaddr_in& destination, unsigned& ifindex, std::string& error);
