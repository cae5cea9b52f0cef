#include "outside/local/ListenerLimits.h"

#include <sys/socket.h>

#include <cstdio>

void ListenerLimits::UdpRefused(const std::string& why) {
  if (udpRefused_) return;
  udpRefused_ = true;
  std::fprintf(stderr, "local.exe: the line server does not carry UDP (%s); the games' UDP flows directly\n",
               why.c_str());
  if (udp_ == nullptr) return;
  for (int family : {AF_INET, AF_INET6}) udp_->Close(family);
}

void ListenerLimits::Ipv6Refused(const std::string& why) {
  if (ipv6Refused_) return;
  ipv6Refused_ = true;
  std::fprintf(stderr, "local.exe: the line server does not carry IPv6 (%s); IPv6 connections are refused\n",
               why.c_str());
  if (tcp_ != nullptr) tcp_->CloseIpv6();
  if (udp_ != nullptr) udp_->Close(AF_INET6);
}
