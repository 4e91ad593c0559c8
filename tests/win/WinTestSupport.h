// Window tests run in-process with real windows under Wine (or Windows):
// each test gets its own data folder and a hidden owner window.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/Seams.h"
#include "store/IniFile.h"

class RecordedNotices : public INoticeSink {
public:
    void Show(const std::string& text, NoticeIcon) override { shown.push_back(text); }
    std::vector<std::string> shown;
};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Lets pending messages run (layout, paint) without blocking.
    static void Pump();

    std::filesystem::path dir_;
    RecordedNotices notices_;
    INoticeSink* previousSink_ = nullptr;
    HWND owner_ = nullptr;
};
