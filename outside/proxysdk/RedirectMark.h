// The socket mark the local proxy sets on its own connections to the line
// servers. The nftables redirect never touches marked traffic, so the
// proxy's own traffic cannot loop back into it.
#pragma once

inline constexpr unsigned kProxyBypassMark = 0x6267;
