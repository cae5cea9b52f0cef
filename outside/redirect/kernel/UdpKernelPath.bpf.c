/* The redirection service's tc program: carries a game's UDP through its
 * player's open SOCKS5 UDP association without a trip through the local
 * proxy. Attached to the ingress of loopback (where a game's detoured
 * datagrams and a local line's replies arrive) and of the device that
 * leads to a remote line (where its replies arrive).
 *
 * Out: a datagram of a listed game socket that carries its player's
 * detour mark gets the SOCKS5 UDP header (RSV, FRAG 0, ATYP 1, its
 * destination) in front of its payload and the association's addresses
 * and ports, and goes to the line's relay: delivered here when the relay
 * is on this machine, else sent out of the device the routing table
 * names for it.
 * Back: a datagram from the relay to the association socket, from a
 * sender listed for it, loses its header and reaches the game from the
 * address and port the header names, the one that really sent it.
 *
 * Anything else, and anything this program cannot carry (IP options,
 * fragments, GSO, other header forms, oversize), passes untouched to the
 * local proxy, which carries it as before. Checksums stay right whether
 * the UDP checksum is still to be filled in (partial, loopback), complete
 * or absent: the header is 10 bytes, so the payload keeps its 16-bit
 * alignment and the checksum changes by the header's sum only. */
#include "outside/redirect/UdpKernelPathMaps.h"

#include <linux/bpf.h>
#include <linux/if_ether.h>
#include <linux/in.h>
#include <linux/ip.h>
#include <linux/pkt_cls.h>
#include <linux/udp.h>
#include <bpf/bpf_endian.h>
#include <bpf/bpf_helpers.h>

#ifndef AF_INET
#define AF_INET 2
#endif

struct {
  __uint(type, BPF_MAP_TYPE_HASH);
  __uint(max_entries, UDP_KERNEL_MAX_ROUTES);
  __type(key, struct udp_kernel_out_key);
  __type(value, struct udp_kernel_out);
} udp_kernel_out SEC(".maps");

struct {
  __uint(type, BPF_MAP_TYPE_HASH);
  __uint(max_entries, UDP_KERNEL_MAX_ROUTES);
  __type(key, struct udp_kernel_back_key);
  __type(value, struct udp_kernel_back);
} udp_kernel_back SEC(".maps");

struct {
  __uint(type, BPF_MAP_TYPE_HASH);
  __uint(max_entries, UDP_KERNEL_MAX_ROUTES);
  __type(key, struct udp_kernel_device_key);
  __type(value, struct udp_kernel_device);
} udp_kernel_device SEC(".maps");

/* Room for one chunk of payload on its way (too big for the stack). */
struct {
  __uint(type, BPF_MAP_TYPE_PERCPU_ARRAY);
  __uint(max_entries, 1);
  __type(key, __u32);
  __type(value, __u8[256]);
} udp_kernel_scratch SEC(".maps");

#define IP_OFF ETH_HLEN
#define UDP_OFF (IP_OFF + 20)
#define PAYLOAD_OFF (UDP_OFF + 8)
#define SOCKS_HEADER 10
#define CHUNK 256
#define MAX_DATAGRAM (UDP_KERNEL_MAX_PAYLOAD + SOCKS_HEADER)
#define IP_CHECK (IP_OFF + offsetof(struct iphdr, check))
#define UDP_CHECK (UDP_OFF + offsetof(struct udphdr, check))

#define READ_ONCE_U32(x) (*(volatile const __u32 *)&(x))

/* n in [1, CHUNK] and offset below the largest datagram, in a form the
 * verifier follows. */
static __always_inline __u32 chunk_length(__u32 n) {
  __u64 m = n - 1;
  asm volatile("%0 &= 0xff" : "+r"(m));
  return (__u32)m + 1;
}

static __always_inline __u32 bounded_offset(__u32 offset) {
  asm volatile("%0 &= 0x7ff" : "+r"(offset));
  return offset;
}

/* Moves the payload's length bytes by SOCKS_HEADER: towards the end
 * (room for the header) or towards the start (over it). */
static __always_inline int move_payload(struct __sk_buff *skb, __u32 length, int towards_end) {
  const __u32 zero = 0;
  __u8 *buffer = bpf_map_lookup_elem(&udp_kernel_scratch, &zero);
  if (!buffer) return -1;
  for (int i = 0; i < MAX_DATAGRAM / CHUNK + 1; ++i) {
    __u32 done = (__u32)i * CHUNK;
    if (done >= length) break;
    __u32 n = chunk_length(length - done > CHUNK ? CHUNK : length - done);
    /* Towards the end the last chunk goes first, so nothing is
     * overwritten before it has moved. */
    __u32 start = bounded_offset(towards_end ? length - done - n : done);
    __u32 from = PAYLOAD_OFF + start + (towards_end ? 0 : SOCKS_HEADER);
    __u32 to = PAYLOAD_OFF + start + (towards_end ? SOCKS_HEADER : 0);
    if (bpf_skb_load_bytes(skb, from, buffer, n) || bpf_skb_store_bytes(skb, to, buffer, n, BPF_F_RECOMPUTE_CSUM))
      return -1;
  }
  return 0;
}

struct rewrite {
  __u32 saddr, daddr;
  __u16 sport, dport, udp_length, ip_length;
};

/* Gives the datagram new addresses, ports and lengths, the checksums
 * following. The length sits in both the pseudo header and the UDP
 * header; ports only in the latter, addresses only in the former. */
static __always_inline int rewrite(struct __sk_buff *skb, const struct rewrite *old, const struct rewrite *now) {
  const __u64 pseudo = BPF_F_PSEUDO_HDR | BPF_F_MARK_MANGLED_0;
  if (bpf_l4_csum_replace(skb, UDP_CHECK, old->saddr, now->saddr, pseudo | 4) ||
      bpf_l4_csum_replace(skb, UDP_CHECK, old->daddr, now->daddr, pseudo | 4) ||
      bpf_l4_csum_replace(skb, UDP_CHECK, old->udp_length, now->udp_length, pseudo | 2) ||
      bpf_l4_csum_replace(skb, UDP_CHECK, old->udp_length, now->udp_length, BPF_F_MARK_MANGLED_0 | 2) ||
      bpf_l4_csum_replace(skb, UDP_CHECK, old->sport, now->sport, BPF_F_MARK_MANGLED_0 | 2) ||
      bpf_l4_csum_replace(skb, UDP_CHECK, old->dport, now->dport, BPF_F_MARK_MANGLED_0 | 2) ||
      bpf_l3_csum_replace(skb, IP_CHECK, old->saddr, now->saddr, 4) ||
      bpf_l3_csum_replace(skb, IP_CHECK, old->daddr, now->daddr, 4) ||
      bpf_l3_csum_replace(skb, IP_CHECK, old->ip_length, now->ip_length, 2))
    return -1;
  __u32 addresses[2] = {now->saddr, now->daddr};
  struct udphdr udp = {.source = now->sport, .dest = now->dport, .len = now->udp_length};
  if (bpf_skb_store_bytes(skb, IP_OFF + offsetof(struct iphdr, tot_len), &now->ip_length, 2, 0) ||
      bpf_skb_store_bytes(skb, IP_OFF + offsetof(struct iphdr, saddr), addresses, 8, 0) ||
      bpf_skb_store_bytes(skb, UDP_OFF, &udp, 6, 0))
    return -1;
  return 0;
}

/* The SOCKS5 UDP header of an IPv4 destination, as three words (the
 * last two bytes zero) for bpf_csum_diff. */
static __always_inline void socks_header(__u32 words[3], __u32 addr, __u16 port) {
  words[0] = bpf_htonl(1);
  words[1] = addr;
  words[2] = (__u32)port;
}

static __always_inline int carry_back(struct __sk_buff *skb, const struct rewrite *old, __u32 payload) {
  void *data = (void *)(long)skb->data, *end = (void *)(long)skb->data_end;
  __u8 *header = data + PAYLOAD_OFF;
  if ((void *)(header + SOCKS_HEADER) > end) return TC_ACT_OK;
  if (payload < SOCKS_HEADER || payload > MAX_DATAGRAM || header[0] || header[1] || header[2] || header[3] != 1)
    return TC_ACT_OK;
  struct udp_kernel_back_key key = {.relay_addr = old->saddr,
                                    .association_addr = old->daddr,
                                    .relay_port = old->sport,
                                    .association_port = old->dport};
  __builtin_memcpy(&key.sender_addr, header + 4, 4);
  __builtin_memcpy(&key.sender_port, header + 8, 2);
  struct udp_kernel_back *back = bpf_map_lookup_elem(&udp_kernel_back, &key);
  if (!back) return TC_ACT_OK;
  __u32 words[3];
  socks_header(words, key.sender_addr, key.sender_port);
  const __s64 less = bpf_csum_diff(words, sizeof(words), 0, 0, 0);
  struct rewrite now = {.saddr = key.sender_addr,
                        .daddr = back->game_addr,
                        .sport = key.sender_port,
                        .dport = back->game_port,
                        .udp_length = bpf_htons(bpf_ntohs(old->udp_length) - SOCKS_HEADER),
                        .ip_length = bpf_htons(bpf_ntohs(old->ip_length) - SOCKS_HEADER)};
  /* From here on the datagram is changed: a failure drops it. */
  if (less < 0 || move_payload(skb, payload - SOCKS_HEADER, 0) || bpf_skb_change_tail(skb, skb->len - SOCKS_HEADER, 0) ||
      bpf_l4_csum_replace(skb, UDP_CHECK, 0, (__u32)less, BPF_F_MARK_MANGLED_0) || rewrite(skb, old, &now))
    return TC_ACT_SHOT;
  __sync_fetch_and_add(&back->packets, 1);
  __sync_fetch_and_add(&back->bytes, payload - SOCKS_HEADER);
  back->last_ns = bpf_ktime_get_ns();
  return TC_ACT_OK;
}

static __always_inline int carry_out(struct __sk_buff *skb, struct udp_kernel_out *out, const struct rewrite *old,
                                     __u32 payload) {
  if (skb->mark != out->mark || payload > UDP_KERNEL_MAX_PAYLOAD) return TC_ACT_OK;
  struct rewrite now = {.saddr = out->association_addr,
                        .daddr = out->relay_addr,
                        .sport = out->association_port,
                        .dport = out->relay_port,
                        .udp_length = bpf_htons(bpf_ntohs(old->udp_length) + SOCKS_HEADER),
                        .ip_length = bpf_htons(bpf_ntohs(old->ip_length) + SOCKS_HEADER)};
  /* A relay behind a device: the datagram with its header must fit the
   * device (else it is left to the proxy). */
  __u32 ifindex = 0;
  if (out->remote) {
    const struct udp_kernel_device_key device_key = {.association_addr = out->association_addr,
                                                     .relay_addr = out->relay_addr};
    const struct udp_kernel_device *device = bpf_map_lookup_elem(&udp_kernel_device, &device_key);
    /* Read once: the service may be changing it. */
    ifindex = device ? READ_ONCE_U32(device->ifindex) : 0;
    __u32 mtu = 0;
    if (!ifindex || bpf_check_mtu(skb, ifindex, &mtu, SOCKS_HEADER, 0) != BPF_MTU_CHK_RET_SUCCESS) return TC_ACT_OK;
  }
  __u32 words[3];
  socks_header(words, old->daddr, old->dport);
  const __s64 more = bpf_csum_diff(0, 0, words, sizeof(words), 0);
  if (more < 0 || bpf_skb_change_tail(skb, skb->len + SOCKS_HEADER, 0)) return TC_ACT_OK;
  /* From here on the datagram is changed: a failure drops it. */
  if (move_payload(skb, payload, 1) || bpf_skb_store_bytes(skb, PAYLOAD_OFF, words, SOCKS_HEADER, BPF_F_RECOMPUTE_CSUM) ||
      bpf_l4_csum_replace(skb, UDP_CHECK, 0, (__u32)more, BPF_F_MARK_MANGLED_0) || rewrite(skb, old, &now))
    return TC_ACT_SHOT;
  skb->mark = 0;
  __sync_fetch_and_add(&out->packets, 1);
  __sync_fetch_and_add(&out->bytes, payload);
  out->last_ns = bpf_ktime_get_ns();
  if (ifindex == 0) return TC_ACT_OK;
  /* Out of that device, to the next hop its route names. */
  return bpf_redirect_neigh(ifindex, 0, 0, 0);
}

SEC("tc")
int udp_kernel_path(struct __sk_buff *skb) {
  void *data = (void *)(long)skb->data, *end = (void *)(long)skb->data_end;
  if (data + PAYLOAD_OFF > end) return TC_ACT_OK;
  const struct ethhdr *eth = data;
  const struct iphdr *ip = data + IP_OFF;
  const struct udphdr *udp = data + UDP_OFF;
  if (eth->h_proto != bpf_htons(ETH_P_IP) || ip->ihl != 5 || ip->protocol != IPPROTO_UDP ||
      (ip->frag_off & bpf_htons(0x3fff)) || skb->gso_segs > 1)
    return TC_ACT_OK;
  const struct rewrite old = {.saddr = ip->saddr,
                              .daddr = ip->daddr,
                              .sport = udp->source,
                              .dport = udp->dest,
                              .udp_length = udp->len,
                              .ip_length = ip->tot_len};
  const __u32 udp_length = bpf_ntohs(old.udp_length);
  if (udp_length < 8 || bpf_ntohs(old.ip_length) != 20 + udp_length || skb->len != ETH_HLEN + 20 + udp_length)
    return TC_ACT_OK;
  const __u32 payload = udp_length - 8;

  struct udp_kernel_out_key out_key = {
      .game_addr = old.saddr, .remote_addr = old.daddr, .game_port = old.sport, .remote_port = old.dport};
  struct udp_kernel_out *out = bpf_map_lookup_elem(&udp_kernel_out, &out_key);
  if (out) return carry_out(skb, out, &old, payload);
  return carry_back(skb, &old, payload);
}

char LICENSE[] SEC("license") = "GPL";
