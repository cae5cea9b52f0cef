#include "outside/redirect/UdpKernelPath.h"

#include "outside/redirect/RouteQuery.h"
#include "outside/redirect/UdpKernelPathMaps.h"
#include "outside/redirect/UdpKernelPathObject.h"

#include <arpa/inet.h>
#include <net/if.h>

#include <bpf/bpf.h>
#include <bpf/libbpf.h>

#include <cerrno>
#include <cstring>

namespace {

// The filter's place on every device: fixed, so that a service started
// after one that crashed replaces its filter instead of adding a second.
constexpr unsigned kFilterHandle = 0x6277;
constexpr unsigned kFilterPriority = 1;
// Loopback has the same index in every network namespace.
constexpr unsigned kLoopbackIndex = 1;

udp_kernel_out_key OutKey(const sockaddr_in& game, const sockaddr_in& remote) {
  udp_kernel_out_key key{};
  key.game_addr = game.sin_addr.s_addr;
  key.remote_addr = remote.sin_addr.s_addr;
  key.game_port = game.sin_port;
  key.remote_port = remote.sin_port;
  return key;
}

// The way back of a route out: the remote endpoint's answers as the relay
// sends them to the association socket.
udp_kernel_back_key BackKey(const udp_kernel_out_key& outKey, const udp_kernel_out& out) {
  udp_kernel_back_key key{};
  key.relay_addr = out.relay_addr;
  key.association_addr = out.association_addr;
  key.sender_addr = outKey.remote_addr;
  key.relay_port = out.relay_port;
  key.association_port = out.association_port;
  key.sender_port = outKey.remote_port;
  return key;
}

udp_kernel_device_key DeviceKey(const udp_kernel_out& out) {
  udp_kernel_device_key key{};
  key.association_addr = out.association_addr;
  key.relay_addr = out.relay_addr;
  return key;
}

sockaddr_in Ipv4(std::uint32_t address) {
  sockaddr_in ip{};
  ip.sin_family = AF_INET;
  ip.sin_addr.s_addr = address;
  return ip;
}

std::string DeviceName(unsigned ifindex) {
  char name[IF_NAMESIZE] = {};
  return if_indextoname(ifindex, name) != nullptr ? std::string(name) : "device " + std::to_string(ifindex);
}

bpf_tc_hook Hook(unsigned ifindex) {
  bpf_tc_hook hook{};
  hook.sz = sizeof(hook);
  hook.ifindex = static_cast<int>(ifindex);
  hook.attach_point = BPF_TC_INGRESS;
  return hook;
}

bpf_tc_opts Filter(int program, unsigned flags) {
  bpf_tc_opts opts{};
  opts.sz = sizeof(opts);
  opts.handle = kFilterHandle;
  opts.priority = kFilterPriority;
  opts.prog_fd = program;
  opts.flags = flags;
  return opts;
}

std::string Why(const char* what, int code) { return std::string(what) + ": " + std::strerror(code < 0 ? -code : code); }

// libbpf prints to standard error by default; the service reports its own
// errors.
int Quiet(enum libbpf_print_level, const char*, va_list) { return 0; }

}  // namespace

UdpKernelPath::UdpKernelPath() { libbpf_set_print(Quiet); }

UdpKernelPath::~UdpKernelPath() {
  DetachAll();
  if (object_ != nullptr) bpf_object__close(object_);
}

bool UdpKernelPath::Load(std::string& error) {
  if (object_ != nullptr) return true;
  const std::string_view bytes = UdpKernelPathObject();
  LIBBPF_OPTS(bpf_object_open_opts, opts, .object_name = "udp_kernel_path");
  bpf_object* object = bpf_object__open_mem(bytes.data(), bytes.size(), &opts);
  if (object == nullptr) {
    error = Why("cannot open the UDP kernel path", errno);
    return false;
  }
  if (const int loaded = bpf_object__load(object); loaded != 0) {
    bpf_object__close(object);
    error = Why("cannot load the UDP kernel path", loaded);
    return false;
  }
  bpf_program* program = bpf_object__find_program_by_name(object, "udp_kernel_path");
  bpf_map* out = bpf_object__find_map_by_name(object, "udp_kernel_out");
  bpf_map* back = bpf_object__find_map_by_name(object, "udp_kernel_back");
  bpf_map* device = bpf_object__find_map_by_name(object, "udp_kernel_device");
  if (program == nullptr || out == nullptr || back == nullptr || device == nullptr) {
    bpf_object__close(object);
    error = "the UDP kernel path's object lacks its program or tables";
    return false;
  }
  object_ = object;
  program_ = bpf_program__fd(program);
  out_ = bpf_map__fd(out);
  back_ = bpf_map__fd(back);
  device_ = bpf_map__fd(device);
  return true;
}

void UdpKernelPath::RemoveStale() {
  struct if_nameindex* devices = if_nameindex();
  if (devices == nullptr) return;
  for (const struct if_nameindex* device = devices; device->if_index != 0; ++device) {
    bpf_tc_hook hook = Hook(device->if_index);
    bpf_tc_opts filter = Filter(0, 0);
    bpf_tc_detach(&hook, &filter);
  }
  if_freenameindex(devices);
}

bool UdpKernelPath::AttachTo(unsigned ifindex, std::string& error) {
  if (attached_.count(ifindex) != 0) return true;
  bpf_tc_hook hook = Hook(ifindex);
  const int created = bpf_tc_hook_create(&hook);
  if (created != 0 && created != -EEXIST) {
    error = Why("cannot add the ingress hook", created);
    return false;
  }
  if (created == 0) createdHooks_.insert(ifindex);
  bpf_tc_opts filter = Filter(program_, BPF_TC_F_REPLACE);
  if (const int attached = bpf_tc_attach(&hook, &filter); attached != 0) {
    error = Why("cannot attach the UDP kernel path", attached);
    return false;
  }
  attached_.insert(ifindex);
  return true;
}

void UdpKernelPath::DetachAll() {
  for (unsigned ifindex : attached_) {
    bpf_tc_hook hook = Hook(ifindex);
    bpf_tc_opts filter = Filter(0, 0);
    bpf_tc_detach(&hook, &filter);
    // A hook of our own goes with our filter; one that was there before
    // keeps whatever else it holds.
    if (createdHooks_.count(ifindex) != 0) {
      hook.attach_point = static_cast<bpf_tc_attach_point>(BPF_TC_INGRESS | BPF_TC_EGRESS);
      bpf_tc_hook_destroy(&hook);
    }
  }
  attached_.clear();
  createdHooks_.clear();
}

bool UdpKernelPath::Add(const UdpKernelRoute& route, std::string& error) {
  if (!Load(error)) return false;
  // Loopback sees the game's detoured datagrams (and a local relay's
  // replies); the device to a remote relay sees its replies.
  if (!AttachTo(kLoopbackIndex, error) || (route.ifindex != 0 && !AttachTo(route.ifindex, error))) return false;
  Remove(route.game, route.remote);
  udp_kernel_out out{};
  out.mark = route.mark;
  out.association_addr = route.association.sin_addr.s_addr;
  out.relay_addr = route.relay.sin_addr.s_addr;
  out.association_port = route.association.sin_port;
  out.relay_port = route.relay.sin_port;
  out.remote = route.ifindex != 0 ? 1 : 0;
  udp_kernel_back back{};
  back.game_addr = route.game.sin_addr.s_addr;
  back.game_port = route.game.sin_port;
  const udp_kernel_out_key outKey = OutKey(route.game, route.remote);
  const udp_kernel_back_key backKey = BackKey(outKey, out);
  // The device and the way back first: a datagram carried out finds its
  // way and its answer's.
  if (out.remote && !UseDevice(DeviceKey(out), route.ifindex, error)) return false;
  if (const int added = bpf_map_update_elem(back_, &backKey, &back, BPF_NOEXIST); added != 0) {
    if (out.remote) ReleaseDevice(DeviceKey(out));
    error = Why("cannot add the route back", added);
    return false;
  }
  if (const int added = bpf_map_update_elem(out_, &outKey, &out, BPF_NOEXIST); added != 0) {
    bpf_map_delete_elem(back_, &backKey);
    if (out.remote) ReleaseDevice(DeviceKey(out));
    error = Why("cannot add the route out", added);
    return false;
  }
  return true;
}

bool UdpKernelPath::UseDevice(const udp_kernel_device_key& key, unsigned ifindex, std::string& error) {
  DeviceUse& use = devices_[{key.association_addr, key.relay_addr}];
  // The newest answer of the routing table counts for every route to the
  // relay.
  const udp_kernel_device device{ifindex};
  if (use.ifindex != ifindex) {
    if (const int set = bpf_map_update_elem(device_, &key, &device, BPF_ANY); set != 0) {
      if (use.routes == 0) devices_.erase({key.association_addr, key.relay_addr});
      error = Why("cannot name the device to the relay", set);
      return false;
    }
    use.ifindex = ifindex;
    use.refused = 0;
  }
  ++use.routes;
  return true;
}

void UdpKernelPath::ReleaseDevice(const udp_kernel_device_key& key) {
  const auto found = devices_.find({key.association_addr, key.relay_addr});
  if (found == devices_.end() || --found->second.routes > 0) return;
  bpf_map_delete_elem(device_, &key);
  devices_.erase(found);
}

void UdpKernelPath::FollowDevices(std::vector<std::string>& changes) {
  for (auto& [addresses, use] : devices_) {
    const sockaddr_in association = Ipv4(addresses.first), relay = Ipv4(addresses.second);
    unsigned now = 0;
    std::string error;
    // No route (the network is gone) or a relay that is now local: the
    // datagrams keep their device until the proxy takes them back.
    if (!RouteDevice(association, relay, now, error) || now == 0 || now == use.ifindex || now == use.refused) continue;
    char relayText[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &relay.sin_addr, relayText, sizeof(relayText));
    const std::string moved = std::string("the route to the relay ") + relayText + " moved from " +
                              DeviceName(use.ifindex) + " to " + DeviceName(now);
    const udp_kernel_device_key key{addresses.first, addresses.second};
    const udp_kernel_device device{now};
    if (AttachTo(now, error)) {
      if (const int set = bpf_map_update_elem(device_, &key, &device, BPF_EXIST); set != 0) {
        error = Why("cannot name the device", set);
      }
    }
    if (!error.empty()) {
      // Said once; the datagrams keep the old device.
      use.refused = now;
      changes.push_back(moved + ", where the UDP kernel path cannot follow: " + error);
      continue;
    }
    use.ifindex = now;
    use.refused = 0;
    changes.push_back(moved);
  }
}

bool UdpKernelPath::Remove(const sockaddr_in& game, const sockaddr_in& remote) {
  if (object_ == nullptr) return false;
  const udp_kernel_out_key outKey = OutKey(game, remote);
  udp_kernel_out out{};
  if (bpf_map_lookup_elem(out_, &outKey, &out) != 0) return false;
  // The way out first, so that nothing is carried out whose answer has no
  // way back.
  bpf_map_delete_elem(out_, &outKey);
  const udp_kernel_back_key backKey = BackKey(outKey, out);
  bpf_map_delete_elem(back_, &backKey);
  if (out.remote) ReleaseDevice(DeviceKey(out));
  return true;
}

bool UdpKernelPath::Counters(const sockaddr_in& game, const sockaddr_in& remote, UdpKernelCounters& counters) {
  if (object_ == nullptr) return false;
  const udp_kernel_out_key outKey = OutKey(game, remote);
  udp_kernel_out out{};
  if (bpf_map_lookup_elem(out_, &outKey, &out) != 0) return false;
  udp_kernel_back back{};
  const udp_kernel_back_key backKey = BackKey(outKey, out);
  if (bpf_map_lookup_elem(back_, &backKey, &back) != 0) return false;
  counters.packetsOut = out.packets;
  counters.bytesOut = out.bytes;
  counters.packetsBack = back.packets;
  counters.bytesBack = back.bytes;
  counters.lastNs = out.last_ns > back.last_ns ? out.last_ns : back.last_ns;
  return true;
}

bool UdpKernelPath::DeviceTo(const sockaddr_in& source, const sockaddr_in& relay, unsigned& ifindex, std::string& error) {
  return RouteDevice(source, relay, ifindex, error);
}
