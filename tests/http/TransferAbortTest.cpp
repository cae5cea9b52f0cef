// Aborting a transfer: a download from a server that takes the connection
// and never answers ends as soon as the abort is raised from another
// thread, and a transfer under a raised abort does not even connect.
#include "http/CurlTransport.h"
#include "http/HttpClient.h"
#include "http/TransferAbort.h"
#include "tests/http/SilentListener.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>

namespace {

using Clock = std::chrono::steady_clock;

TEST(TransferAbort, EndsATransferThatWaitsForAnAnswerAtOnce) {
  SilentListener server;
  ASSERT_NE(server.port(), 0);
  CTransferAbort abort;
  auto transfer = std::async(std::launch::async, [&] {
    CCurlTransports transports;
    CHttpClient client(transports);
    client.InitLibCurl(nullptr);
    client.SetAbort(&abort);
    const bool ok = client.Perform(server.Url("/never").c_str(), kHttpGet, nullptr);
    return std::make_pair(ok, client.LastError());
  });
  ASSERT_TRUE(server.Accept(20000)) << "the transfer never connected";
  // It waits for an answer now (its own time-out is 30 s).
  EXPECT_EQ(transfer.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
  const auto raised = Clock::now();
  abort.Abort();
  ASSERT_EQ(transfer.wait_for(std::chrono::seconds(20)), std::future_status::ready);
  const auto [ok, error] = transfer.get();
  EXPECT_FALSE(ok);
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(abort.Aborted());
  RecordProperty("abort_to_end_ms", static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                         Clock::now() - raised).count()));
}

TEST(TransferAbort, ATransferUnderARaisedAbortDoesNotConnect) {
  SilentListener server;
  ASSERT_NE(server.port(), 0);
  CTransferAbort abort;
  abort.Abort();
  CCurlTransports transports;
  CHttpClient client(transports);
  ASSERT_TRUE(client.InitLibCurl(nullptr));
  client.SetAbort(&abort);
  EXPECT_FALSE(client.Perform(server.Url("/never").c_str(), kHttpGet, nullptr));
  EXPECT_FALSE(client.LastTransferSucceeded());
  EXPECT_FALSE(server.Accept(100)) << "nothing connected";
}

}  // namespace
