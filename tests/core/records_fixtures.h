// A data root in a temporary directory (drive D: mapped there) and a file
// system that fails, or stops the process, at a chosen step.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "records/locations.h"
#include "util/cp1251.h"
#include "util/file_system.h"
#include "util/native_path.h"

namespace gvc::testing {

class TempDataRoot : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/gvc-records-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root_ = pattern;
        ::setenv("GVC_DRIVE_D", root_.c_str(), 1);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
        ::unsetenv("GVC_DRIVE_D");
    }

    // The native path of a Windows-1251 path text below D:.
    std::filesystem::path Native(std::string_view cp1251) const { return NativePath(cp1251); }

    std::string ReadNative(std::string_view cp1251) const {
        return ReadFileBytes(Native(cp1251), 1 << 24).value_or("<none>");
    }

    std::filesystem::path root_;
};

// Counts the file operations that change something and, at step `failAt`,
// either fails it or (with `crash`) ends the process there. A write at that
// step first writes half of its bytes, as a full disk or a power cut would.
class FaultyFileSystem : public FileSystem {
public:
    FaultyFileSystem(FileSystem& real, int failAt, bool crash)
        : real_(real), failAt_(failAt), crash_(crash) {}

    int Steps() const { return step_; }

    bool Exists(std::string_view path) override { return real_.Exists(path); }
    bool IsDirectory(std::string_view path) override { return real_.IsDirectory(path); }
    bool MakeDirectory(std::string_view path) override { return !Hit() && real_.MakeDirectory(path); }
    std::optional<std::string> ReadAll(std::string_view path, std::size_t maxBytes) override {
        return real_.ReadAll(path, maxBytes);
    }
    std::string FailureCause() const override { return real_.FailureCause(); }
    std::unique_ptr<OutputFile> Create(std::string_view path) override {
        if (Hit()) return nullptr;
        auto file = real_.Create(path);
        if (!file) return nullptr;
        return std::make_unique<File>(*this, std::move(file));
    }
    bool Replace(std::string_view from, std::string_view to) override {
        return !Hit() && real_.Replace(from, to);
    }
    bool Remove(std::string_view path) override { return !Hit() && real_.Remove(path); }

private:
    class File : public OutputFile {
    public:
        File(FaultyFileSystem& fs, std::unique_ptr<OutputFile> file) : fs_(fs), file_(std::move(file)) {}
        bool Write(std::string_view bytes) override {
            if (fs_.Hit([&] { file_->Write(bytes.substr(0, bytes.size() / 2)); })) return false;
            return file_->Write(bytes);
        }
        bool Flush() override { return !fs_.Hit() && file_->Flush(); }
        bool Close() override { return !fs_.Hit() && file_->Close(); }
        std::string FailureCause() const override { return file_->FailureCause(); }

    private:
        FaultyFileSystem& fs_;
        std::unique_ptr<OutputFile> file_;
    };

    bool Hit(const std::function<void()>& partial = {}) {
        if (step_++ != failAt_) return false;
        if (partial) partial();
        if (crash_) ::_exit(3);
        return true;
    }

    FileSystem& real_;
    int failAt_;
    bool crash_;
    int step_ = 0;
};

}  // namespace gvc::testing
