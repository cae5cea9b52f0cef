// The kernel's share of carrying a game's UDP: a tc program on loopback
// (and on the devices that lead to remote lines) that moves the datagrams
// of an open SOCKS5 UDP association between the game socket and the
// line's relay itself, adding and removing the SOCKS5 header, so that
// they skip the trip through the local proxy. The local proxy sets each
// association up and keeps carrying what the program leaves to it (IPv6,
// fragments, oversize datagrams, other header forms).
//
// Only the redirection service (root) holds one. Nothing is attached
// until the first route is added; everything is detached again when the
// object ends.
#pragma once

#include "outside/redirect/RedirectMachine.h"

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

struct bpf_object;
struct udp_kernel_device_key;

class UdpKernelPath final : public IUdpKernelPath {
 public:
  UdpKernelPath();
  ~UdpKernelPath();
  UdpKernelPath(const UdpKernelPath&) = delete;
  UdpKernelPath& operator=(const UdpKernelPath&) = delete;

  // Removes the filter a service that was killed left on any device (its
  // routes would go on carrying for marks that are another user's now).
  void RemoveStale();
  // Loads the program and its tables into the kernel (Add does when it
  // has not been); false with why when this kernel or process cannot (no
  // BPF, no privilege).
  bool Load(std::string& error);
  bool Add(const UdpKernelRoute& route, std::string& error) override;
  bool Remove(const sockaddr_in& game, const sockaddr_in& remote) override;
  bool Counters(const sockaddr_in& game, const sockaddr_in& remote, UdpKernelCounters& counters) override;
  // Asks the routing table.
  bool DeviceTo(const sockaddr_in& source, const sockaddr_in& relay, unsigned& ifindex, std::string& error) override;
  void FollowDevices(std::vector<std::string>& changes) override;

 private:
  // How many routes go to one relay from one association address, and by
  // which device.
  struct DeviceUse {
    unsigned ifindex = 0;
    unsigned routes = 0;
    unsigned refused = 0;  // a device the routes could not move to
  };

  bool AttachTo(unsigned ifindex, std::string& error);
  void DetachAll();
  bool UseDevice(const udp_kernel_device_key& key, unsigned ifindex, std::string& error);
  void ReleaseDevice(const udp_kernel_device_key& key);

  bpf_object* object_ = nullptr;
  int program_ = -1, out_ = -1, back_ = -1, device_ = -1;
  std::set<unsigned> attached_;
  std::set<unsigned> createdHooks_;
  // By association address and relay address (network byte order).
  std::map<std::pair<std::uint32_t, std::uint32_t>, DeviceUse> devices_;
};
