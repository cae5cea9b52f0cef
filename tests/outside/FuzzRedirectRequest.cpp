// Fuzz target: the requests the redirection service reads from its socket.
// A request that parses must survive a format/parse round trip unchanged,
// and the service must answer any bytes with one well-formed answer line.
#include "outside/redirect/RedirectProtocol.h"
#include "outside/redirect/RedirectService.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

class NoBackend final : public IRedirectBackend {
 public:
  bool Apply(int, std::string&) override { return true; }
  bool Remove(std::string&) override { return true; }
};

class EverythingRuns final : public IRuleWatch {
 public:
  bool PortListens(int) override { return true; }
  std::string ProcessIdentity(long) override { return "1"; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  RedirectRequest request;
  std::string error;
  if (ParseRedirectRequest(bytes, request, error)) {
    RedirectRequest again;
    if (!ParseRedirectRequest(FormatRedirectRequest(request), again, error) || again.command != request.command ||
        again.port != request.port || again.pid != request.pid || !(again.local == request.local) ||
        !(again.remote == request.remote) || !(again.game == request.game))
      std::abort();
  }
  NoBackend backend;
  EverythingRuns watch;
  RedirectService service(backend, watch, [](const std::string&) {});
  const std::string answer = service.Handle(bytes);
  std::string reason;
  if (answer.empty() || answer.back() != '\n' || answer.find('\n') != answer.size() - 1) std::abort();
  if (!ParseAnswer(answer, reason) && answer.rfind("ERR ", 0) != 0) std::abort();
  return 0;
}
