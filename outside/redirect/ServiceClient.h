// A client's side of the redirection service: one request per connection
// to the service's socket (RedirectSocketPath()).
#pragma once

#include "outside/redirect/RedirectProtocol.h"

#include <string>

// Sends one request and reads the answer; false with the reason (the
// service's refusal, or why it could not be reached; a reason that begins
// with kServiceNotRunning when nothing listens on the socket).
//
// For the requests whose answer carries a socket, socket receives it
// (close-on-exec; the caller owns it); it must not be null then. An "OK"
// that comes without its socket is a failure. details, when given,
// receives the text of an "OK <details>" answer ("" for a plain "OK").
bool AskRedirectService(const RedirectRequest& request, std::string& error, int* socket = nullptr,
                        std::string* details = nullptr);

inline constexpr char kServiceNotRunning[] = "the redirection service does not run";
