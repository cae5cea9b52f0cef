/* The tables the redirection service shares with its tc program (C, for
 * both sides). Addresses and ports are in network byte order. */
#pragma once

#include <linux/types.h>

/* What a game socket sends to one remote endpoint, carried through its
 * player's open association: keyed by both addresses and ports. */
struct udp_kernel_out_key {
  __u32 game_addr;
  __u32 remote_addr;
  __u16 game_port;
  __u16 remote_port;
};

struct udp_kernel_out {
  __u32 mark; /* the player's UDP detour mark: nothing else is touched */
  __u32 association_addr;
  __u32 relay_addr;
  __u16 association_port;
  __u16 relay_port;
  /* 1 when the relay is behind a device (udp_kernel_device names it), 0
   * when it is on this machine. */
  __u32 remote;
  __u32 pad;
  __u64 packets;
  __u64 bytes;
  __u64 last_ns; /* CLOCK_MONOTONIC of the last datagram either way */
};

/* What that remote endpoint answers: keyed by the relay's and the
 * association socket's addresses and ports and the sender the header
 * names. A sender the game socket's route does not list is left to the
 * local proxy (which drops what the game never sent to). */
struct udp_kernel_back_key {
  __u32 relay_addr;
  __u32 association_addr;
  __u32 sender_addr;
  __u16 relay_port;
  __u16 association_port;
  __u16 sender_port;
  __u16 pad;
};

struct udp_kernel_back {
  __u32 game_addr;
  __u16 game_port;
  __u16 pad;
  __u64 packets;
  __u64 bytes;
  __u64 last_ns;
};

/* The device by which what an association socket's address sends to a
 * remote relay leaves, as the routing table says now: the service looks
 * again at each of its checks (five a second), so a route that moves to
 * another device (another network, a VPN) is followed. */
struct udp_kernel_device_key {
  __u32 association_addr;
  __u32 relay_addr;
};

struct udp_kernel_device {
  __u32 ifindex;
};

#define UDP_KERNEL_MAX_ROUTES 4096
/* The largest game datagram carried (with the 10-byte header it still
 * fits a 1500-byte link); larger ones take the local proxy. */
#define UDP_KERNEL_MAX_PAYLOAD 1462
