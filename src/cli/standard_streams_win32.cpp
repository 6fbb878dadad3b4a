// Windows: standard output and error carry UTF-8 bytes when they go to a file
// or a pipe, exactly as on the other systems. When one of them is a console,
// its text is written with WriteConsoleW in UTF-16, which every console shows
// whatever its code page and font settings (a UTF-8 byte stream is shown right
// only when the console's output code page is 65001).
#define WIN32_LEAN_AND_MEAN
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <climits>
#include <cstdio>
#include <iostream>
#include <streambuf>
#include <string>

#include "cli/cli_command.h"

namespace gvc::cli {

namespace {

// The length of the longest prefix of `bytes` that ends on a whole UTF-8
// sequence: a character cut by a flush waits for its remaining bytes.
std::size_t WholeUtf8Prefix(const std::string& bytes) {
    std::size_t end = bytes.size();
    std::size_t back = 0;
    while (back < 4 && back < end) {
        const auto b = static_cast<unsigned char>(bytes[end - 1 - back]);
        if ((b & 0xC0) != 0x80) {
            const std::size_t need = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
            return need > back + 1 ? end - 1 - back : end;
        }
        ++back;
    }
    return end;
}

// A stream buffer that writes UTF-8 text to a console as UTF-16.
class ConsoleBuffer : public std::streambuf {
public:
    explicit ConsoleBuffer(HANDLE console) : console_(console) {}

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return sync() == 0 ? 0 : traits_type::eof();
        pending_ += traits_type::to_char_type(c);
        if (pending_.size() >= 4096) WriteWhole();
        return c;
    }

    std::streamsize xsputn(const char* s, std::streamsize n) override {
        if (n > 0) pending_.append(s, static_cast<std::size_t>(n));
        if (pending_.size() >= 4096) WriteWhole();
        return n;
    }

    int sync() override {
        WriteWhole();
        return 0;
    }

private:
    void WriteWhole() {
        const std::size_t whole = WholeUtf8Prefix(pending_);
        if (whole == 0 || whole > INT_MAX) return;
        const int size =
            ::MultiByteToWideChar(CP_UTF8, 0, pending_.data(), static_cast<int>(whole), nullptr, 0);
        if (size > 0) {
            std::wstring wide(static_cast<std::size_t>(size), L'\0');
            ::MultiByteToWideChar(CP_UTF8, 0, pending_.data(), static_cast<int>(whole), wide.data(), size);
            const wchar_t* at = wide.data();
            DWORD left = static_cast<DWORD>(wide.size());
            while (left > 0) {
                DWORD written = 0;
                if (!::WriteConsoleW(console_, at, left, &written, nullptr) || written == 0) break;
                at += written;
                left -= written;
            }
        }
        pending_.erase(0, whole);
    }

    HANDLE console_;
    std::string pending_;
};

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode) != 0;
}

}  // namespace

void PrepareStandardStreams() {
    // Output to a file or pipe is written in binary mode: the lines end as the
    // program ends them, and the message texts' own CR LF is not turned into
    // CR CR LF, so the bytes are those of the other platforms. Input stays in
    // text mode, where CR LF reads as a plain line end; a console types UTF-8.
    ::SetConsoleOutputCP(CP_UTF8);
    ::SetConsoleCP(CP_UTF8);
    (void)::_setmode(::_fileno(stdout), _O_BINARY);
    (void)::_setmode(::_fileno(stderr), _O_BINARY);
    // The buffers live until the process ends: the streams flush into them at exit.
    const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (IsConsole(out)) std::cout.rdbuf(new ConsoleBuffer(out));
    const HANDLE err = ::GetStdHandle(STD_ERROR_HANDLE);
    if (IsConsole(err)) std::cerr.rdbuf(new ConsoleBuffer(err));
}

}  // namespace gvc::cli
