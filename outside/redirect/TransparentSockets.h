// The transparent UDP sockets the service makes for a user's proxy: made
// with the user's filesystem uid, so that they are the user's (in /proc
// and for "meta skuid"), and marked kHandedSocketMark, which the user
// cannot change (SO_MARK needs CAP_NET_ADMIN).
#pragma once

#include "outside/redirect/RedirectMachine.h"

class TransparentSockets final : public ITransparentSockets {
 public:
  int Listener(const RedirectEndpoint& local, uid_t owner, std::string& error) override;
  int Reply(const RedirectEndpoint& remote, const RedirectEndpoint& game, uid_t owner, std::string& error) override;
};
