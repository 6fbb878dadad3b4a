#include <windows.h>

#include <vector>

#include "central/central_settings.h"
#include "util/native_path.h"
#include "util/system_error.h"

namespace gvc {

namespace {

class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() {
        if (h_ && h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }
    bool Close() {
        const HANDLE h = h_;
        h_ = nullptr;
        return CloseHandle(h) != 0;
    }

private:
    HANDLE h_;
};

bool Failed(std::string& cause) {
    cause = SystemErrorText(static_cast<int>(GetLastError()));
    return false;
}

// The current user's SID, from the process token.
bool CurrentUserSid(std::vector<unsigned char>& tokenUser) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    Handle owned(token);
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    if (size == 0) return false;
    tokenUser.assign(size, 0);
    return GetTokenInformation(token, TokenUser, tokenUser.data(), size, &size) != 0;
}

}  // namespace

bool WritePrivateFile(const std::string& cp1251Path, std::string_view content, std::string& cause) {
    const std::filesystem::path path = NativePath(cp1251Path);
    const std::wstring temporary = path.wstring() + L".tmp";
    std::vector<unsigned char> tokenUser;
    if (!CurrentUserSid(tokenUser)) return Failed(cause);
    PSID sid = reinterpret_cast<TOKEN_USER*>(tokenUser.data())->User.Sid;
    // One entry: the current user may do everything; nothing is inherited
    // from the folder (a protected list), so nobody else may read the file.
    const DWORD aclSize =
        static_cast<DWORD>(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + GetLengthSid(sid));
    std::vector<unsigned char> aclBytes(aclSize, 0);
    PACL acl = reinterpret_cast<PACL>(aclBytes.data());
    SECURITY_DESCRIPTOR descriptor;
    if (!InitializeAcl(acl, aclSize, ACL_REVISION) ||
        !AddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, sid) ||
        !InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) ||
        !SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED))
        return Failed(cause);
    SECURITY_ATTRIBUTES attributes{};
    attributes.nLength = sizeof attributes;
    attributes.lpSecurityDescriptor = &descriptor;
    attributes.bInheritHandle = FALSE;
    DeleteFileW(temporary.c_str());
    Handle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, &attributes, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) return Failed(cause);
    bool ok = true;
    while (ok && !content.empty()) {
        const DWORD chunk = content.size() > 1u << 20 ? 1u << 20 : static_cast<DWORD>(content.size());
        DWORD written = 0;
        ok = WriteFile(file.get(), content.data(), chunk, &written, nullptr) != 0 && written > 0;
        if (ok) content.remove_prefix(written);
    }
    ok = ok && FlushFileBuffers(file.get()) != 0;
    if (!ok) Failed(cause);
    if (!file.Close() && ok) ok = Failed(cause);
    if (ok &&
        !MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        ok = Failed(cause);
    if (!ok) DeleteFileW(temporary.c_str());
    return ok;
}

}  // namespace gvc
