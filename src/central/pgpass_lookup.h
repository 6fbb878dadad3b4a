// The password a pgpass-form file gives for one connection, found as libpq
// finds it, for the Windows build: libpq opens that file through the ANSI code
// page, which names D:\ВЕЛМОР_Датчики only on a Windows set to Windows-1251,
// so the program reads the file itself and hands the password over in memory.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace gvc {

// The first line whose host, port, database and user fields match ('*'
// matches anything; '\' escapes ':' and '\'; '#' starts a comment line) gives
// its password; nothing when no line matches. Fields are compared as bytes.
std::optional<std::string> PgPassPassword(std::string_view text, std::string_view host, int port,
                                          std::string_view database, std::string_view user);

}  // namespace gvc
