// A fixture for image tests: a fresh skin folder the resource path points
// at (no archive), and PNG files written into it.
#pragma once

#include "tests/support/TempMachineRoot.h"
#include "tests/uiframework_render/PngWriter.h"
#include "uiframework/resources/ResourceSettings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

class SkinFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SkinUI::CResourceSettingsUI::ResetResourceZip();
    dir_ = root_.Dir("skin");
    SkinUI::CResourceSettingsUI::SetResourcePath((dir_.wstring() + L"/").c_str());
  }
  void TearDown() override { SkinUI::CResourceSettingsUI::SetResourcePath(L""); }

  // Writes name as the PNG of w × h RGBA pixels; returns the file's bytes.
  std::string WritePng(const std::string& name, int w, int h, const std::vector<unsigned char>& rgba) {
    std::string png = EncodePng(w, h, rgba);
    WriteTestFile(dir_ / name, png);
    return png;
  }

  TempMachineRoot root_;
  std::filesystem::path dir_;
};
