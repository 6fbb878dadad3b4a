// The single-instance lock of G_Varnest and gvc-cli calibrate: the first running instance holds it, a second
// one finds it taken. It does not depend on a window system. On Windows the lock is the rule of the main
// window's title (a top-level window whose title begins with the program's caption) together with a named
// mutex, which gvc-cli calibrate holds as well.
#pragma once

#include <filesystem>

namespace gvc {

class InstanceLock {
public:
    // The lock file of this user: $XDG_RUNTIME_DIR/G_Varnest.lock, else
    // G_Varnest-<uid>.lock in the temporary directory.
    static std::filesystem::path DefaultPath();

    explicit InstanceLock(const std::filesystem::path& path = DefaultPath());
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // False when another instance holds the lock. A lock file that cannot be
    // opened at all does not stop the program (it counts as held).
    bool Held() const { return held_; }

private:
    // Each system uses one of the two; the other stays unused there.
    [[maybe_unused]] int fd_ = -1;             // POSIX: the locked file
    [[maybe_unused]] void* handle_ = nullptr;  // Windows: the named mutex
    bool held_ = false;
};

}  // namespace gvc
