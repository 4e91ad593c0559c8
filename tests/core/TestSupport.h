// Shared fixtures for the core tests: a private data folder per test and a
// notice sink that records what the program would have shown.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "base/Seams.h"
#include "store/IniFile.h"

class RecordingNotices : public INoticeSink {
public:
    void Show(const std::string& text, NoticeIcon) override {
        std::lock_guard<std::mutex> lock(mutex_);
        shown_.push_back(text);
    }
    std::vector<std::string> Shown() {
        std::lock_guard<std::mutex> lock(mutex_);
        return shown_;
    }

private:
    std::mutex mutex_;
    std::vector<std::string> shown_;
};

class DataFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        static std::atomic<int> counter{0};
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() /
               ("pinwell-" + std::string(info->test_suite_name()) + "-" + info->name() + "-" +
                std::to_string(counter++));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        SetDataFolder(dir_.string());
        previous_ = SetNoticeSink(&notices_);
        ini::FailNextWritesForTesting(0);
    }
    void TearDown() override {
        ini::FailNextWritesForTesting(0);
        SetNoticeSink(previous_);
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    std::string Ini() const { return MainDataFilePath(); }

    std::string FileText(const std::string& path) const {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void SetFileText(const std::string& path, const std::string& text) const {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << text;
    }

    std::filesystem::path dir_;
    RecordingNotices notices_;
    INoticeSink* previous_ = nullptr;
};
