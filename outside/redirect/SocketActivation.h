// The socket systemd hands to a socket-activated service (the
// sd_listen_fds protocol, read by hand): descriptor 3, when LISTEN_PID
// names this process and LISTEN_FDS is 1.
#pragma once

inline constexpr int kActivatedSocket = 3;

// True when this process was handed its socket; the variables are removed
// either way, so that no child takes them for its own.
bool TakeActivatedSocket();
