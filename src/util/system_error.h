// The operating system's own text for why a file operation failed ("No space
// left on device"), so that a failure can name its real cause.
#pragma once

#include <string>
#include <string_view>

namespace gvc {

// The code of the last failed system call of this thread (errno, or
// GetLastError on Windows).
int LastSystemError();

// The system's Windows-1251 text for an error code, without a line end; empty
// for 0.
std::string SystemErrorText(int code);

// `message`, and `cause` on a second line when there is one.
inline std::string WithCause(std::string_view message, std::string_view cause) {
    std::string text(message);
    if (!cause.empty()) {
        text += "\r\n";
        text += cause;
    }
    return text;
}

}  // namespace gvc
