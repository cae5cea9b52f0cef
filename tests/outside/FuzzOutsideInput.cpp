// Fuzz target: what the outside programs read from others — the launch
// record on local.exe's command line, the bytes SOCKS5 clients and line
// servers send it, the driver files and the library's state file.
#include "outside/drivers/DriverFile.h"
#include "outside/launchrecord/LaunchRecordCodec.h"
#include "outside/local/Socks5Server.h"
#include "outside/local/UpstreamClient.h"
#include "outside/proxysdk/SdkState.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);

  LaunchRecord record;
  DecodeLaunchRecord(bytes, record);
  ParseLaunchRecord(bytes, record);

  std::size_t used = 0;
  ParseClientGreeting(data, size, used);
  SocksRequest request;
  ParseClientRequest(data, size, request, used);

  // The line server's answers, fed in small pieces.
  SocksAddress target;
  target.host.assign(4, '\0');
  UpstreamHandshake handshake("5190467", "password", 1, target);
  ByteQueue input;
  std::string output;
  for (std::size_t offset = 0; offset < size; offset += 3) {
    input.Append(data + offset, size - offset < 3 ? size - offset : 3);
    UpstreamHandshake::Step step;
    while ((step = handshake.OnInput(input, output)) == UpstreamHandshake::Step::kSend) {
    }
    if (step != UpstreamHandshake::Step::kNeedMore) break;
  }

  DriverFileInfo driver;
  ParseDriverFile(bytes, driver);
  SdkState state;
  if (ParseSdkState(bytes, state)) ParseSdkState(FormatSdkState(state), state);
  return 0;
}
