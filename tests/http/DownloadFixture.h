// Test support: a temporary machine root with a program directory (the
// global g_programDir, log2.log inside it), a document root and the local
// HTTP server serving it, and libcurl transports made in the test program.
#pragma once

#include "http/CurlTransport.h"
#include "system/Paths.h"
#include "system/WriteLogFile.h"
#include "tests/http/LocalHttpServer.h"
#include "tests/http/LogText.h"
#include "tests/support/TempMachineRoot.h"

#include <gtest/gtest.h>

#include <memory>

class DownloadFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    programDir_ = root_.Dir("program");
    docRoot_ = root_.Dir("docs");
    g_programDir = programDir_.wstring() + L"/";
    g_logFile.SetLogFile(g_programDir + L"log2.log", 1024);
    server_ = std::make_unique<LocalHttpServer>(docRoot_);
    ASSERT_TRUE(server_->running()) << "the local HTTP server did not start";
  }
  void TearDown() override { server_.reset(); }

  std::wstring LogText() const { return ReadLogText(programDir_ / "log2.log"); }
  bool Logged(const std::wstring& text) const { return LogText().find(text) != std::wstring::npos; }
  // Serves bytes at /files/name.
  void Serve(const std::string& name, const std::string& bytes) const { WriteTestFile(docRoot_ / name, bytes); }

  CCurlTransports transports_;
  TempMachineRoot root_;
  std::filesystem::path programDir_;
  std::filesystem::path docRoot_;
  std::unique_ptr<LocalHttpServer> server_;
};
