// The proxy's side towards a line server: a SOCKS5 client that offers
// username/password authentication only, then sends one request (CONNECT
// or UDP ASSOCIATE) and reads the reply, or stops after the login (a
// check of the line). It only turns bytes into bytes; the connection does
// the reading and writing.
#pragma once

#include "outside/local/ByteQueue.h"
#include "outside/local/SocksAddress.h"

#include <cstdint>
#include <string>

class UpstreamHandshake {
 public:
  enum class Step { kNeedMore, kSend, kDone, kFailed };

  UpstreamHandshake(std::string user, std::string password, std::uint8_t command, SocksAddress target);
  // Greeting and login only: kDone once the password is accepted.
  UpstreamHandshake(std::string user, std::string password);

  // The first bytes to send: the greeting.
  std::string Greeting() const;

  // Consumes what it understands from input. kSend: send output, then feed
  // more input. kDone: bound() holds the server's BND address; bytes after
  // the reply stay in input. kFailed: failureReply() and failureReason()
  // tell why.
  Step OnInput(ByteQueue& input, std::string& output);

  const SocksAddress& bound() const { return bound_; }
  // After UDP ASSOCIATE: where the line's relay takes datagrams. A relay
  // announced as "any address" is on the line server itself.
  SocksAddress UdpRelay(const SocksAddress& lineServer) const;
  std::uint8_t failureReply() const { return failureReply_; }
  const std::string& failureReason() const { return failureReason_; }
  // The line accepted the password (a later failure is the request's).
  bool loggedIn() const { return loggedIn_; }

 private:
  enum class State { kMethod, kAuth, kReply, kDone, kFailed };

  Step Fail(std::uint8_t reply, std::string reason);
  std::string Request() const;

  std::string user_;
  std::string password_;
  bool loginOnly_ = false;
  std::uint8_t command_ = 0;
  SocksAddress target_;
  bool loggedIn_ = false;
  State state_ = State::kMethod;
  SocksAddress bound_;
  std::uint8_t failureReply_ = 0;
  std::string failureReason_;
};
