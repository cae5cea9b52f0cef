// The socket through which one remote endpoint's answers reach one game
// socket: made by the redirection service, bound to the remote's address
// and port and connected to the game's, so the game sees each answer come
// from the endpoint that really sent it. Being connected, it also receives
// the game's later datagrams to that remote (the kernel prefers it to the
// transparent listener); those go to the game socket's flow.
#pragma once

#include "outside/local/DatagramBatch.h"
#include "outside/local/EventLoop.h"
#include "outside/local/SocksAddress.h"

#include <cstddef>
#include <cstdint>

// Where the game's datagrams to a remote go.
class IGameDatagrams {
 public:
  virtual void FromGame(const SocksAddress& destination, const std::uint8_t* payload, std::size_t size) = 0;

 protected:
  ~IGameDatagrams() = default;
};

class ReplySocket final : public EventHandler {
 public:
  // Takes fd; watches it once Watch succeeds. Reads into batch.
  ReplySocket(EventLoop& loop, DatagramBatch& batch, int fd, SocksAddress remote, IGameDatagrams& game);
  ~ReplySocket();
  ReplySocket(const ReplySocket&) = delete;
  ReplySocket& operator=(const ReplySocket&) = delete;

  bool Watch();
  // An answer to the game; false when it was not sent whole.
  bool Send(const std::uint8_t* payload, std::size_t size);
  void OnEvent(int fd, std::uint32_t events) override;

 private:
  EventLoop& loop_;
  DatagramBatch& batch_;
  int fd_;
  bool watched_ = false;
  SocksAddress remote_;
  IGameDatagrams& game_;
};
