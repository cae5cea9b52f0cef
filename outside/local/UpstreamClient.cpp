#include "outside/local/UpstreamClient.h"

#include "outside/local/Socks5.h"

#include <utility>

UpstreamHandshake::UpstreamHandshake(std::string user, std::string password, std::uint8_t command,
                                     SocksAddress target)
    : user_(std::move(user)), password_(std::move(password)), command_(command), target_(std::move(target)) {}

UpstreamHandshake::UpstreamHandshake(std::string user, std::string password)
    : user_(std::move(user)), password_(std::move(password)), loginOnly_(true) {}

SocksAddress UpstreamHandshake::UdpRelay(const SocksAddress& lineServer) const {
  SocksAddress relay = bound_;
  const bool any = (relay.type == SocksAddress::kIpv4 || relay.type == SocksAddress::kIpv6) &&
                   relay.host.find_first_not_of('\0') == std::string::npos;
  if (any && relay.type == lineServer.type) relay.host = lineServer.host;
  return relay;
}

std::string UpstreamHandshake::Greeting() const {
  return std::string{static_cast<char>(socks5::kVersion), 1, static_cast<char>(socks5::kMethodUserPassword)};
}

std::string UpstreamHandshake::Request() const {
  return std::string{static_cast<char>(socks5::kVersion), static_cast<char>(command_), 0} + target_.Encode();
}

UpstreamHandshake::Step UpstreamHandshake::Fail(std::uint8_t reply, std::string reason) {
  state_ = State::kFailed;
  failureReply_ = reply;
  failureReason_ = std::move(reason);
  return Step::kFailed;
}

UpstreamHandshake::Step UpstreamHandshake::OnInput(ByteQueue& input, std::string& output) {
  output.clear();
  switch (state_) {
    case State::kMethod: {
      if (input.size() < 2) return Step::kNeedMore;
      const std::uint8_t version = input.data()[0];
      const std::uint8_t method = input.data()[1];
      input.Consume(2);
      if (version != socks5::kVersion) return Fail(socks5::kReplyGeneralFailure, "line server does not speak SOCKS5");
      if (method != socks5::kMethodUserPassword) {
        return Fail(socks5::kReplyGeneralFailure, "line server refused username/password authentication");
      }
      // RFC 1929: VER ULEN UNAME PLEN PASSWD, each at most 255 bytes.
      if (user_.size() > 255 || password_.size() > 255) {
        return Fail(socks5::kReplyGeneralFailure, "user name or password too long");
      }
      output = std::string{static_cast<char>(socks5::kUserPasswordVersion), static_cast<char>(user_.size())} +
               user_ + static_cast<char>(password_.size()) + password_;
      state_ = State::kAuth;
      return Step::kSend;
    }
    case State::kAuth: {
      if (input.size() < 2) return Step::kNeedMore;
      const std::uint8_t status = input.data()[1];
      input.Consume(2);
      if (status != 0) return Fail(socks5::kReplyGeneralFailure, "line server refused the password");
      loggedIn_ = true;
      if (loginOnly_) {
        state_ = State::kDone;
        return Step::kDone;
      }
      output = Request();
      state_ = State::kReply;
      return Step::kSend;
    }
    case State::kReply: {
      if (input.size() < 4) return Step::kNeedMore;
      const std::uint8_t* data = input.data();
      if (data[0] != socks5::kVersion || data[2] != 0) {
        return Fail(socks5::kReplyGeneralFailure, "line server sent a malformed reply");
      }
      std::size_t used = 0;
      const ParseStatus status = ParseSocksAddress(data + 3, input.size() - 3, bound_, used);
      if (status == ParseStatus::kIncomplete) return Step::kNeedMore;
      if (status != ParseStatus::kDone) return Fail(socks5::kReplyGeneralFailure, "line server sent a malformed reply");
      const std::uint8_t reply = data[1];
      input.Consume(3 + used);
      if (reply != socks5::kReplySucceeded) {
        return Fail(reply, "line server answered the request with code " + std::to_string(reply));
      }
      state_ = State::kDone;
      return Step::kDone;
    }
    case State::kDone: return Step::kDone;
    case State::kFailed: return Step::kFailed;
  }
  return Step::kFailed;
}
