// The password file as the Windows build reads it itself: the first line that
// matches host, port, database and user gives the password, with libpq's
// wildcards and escapes; the file central connect writes is read back.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "central/central_settings.h"
#include "central/pgpass_lookup.h"

namespace gvc {
namespace {

TEST(PgPassLookup, FindsThePasswordAsLibpqWould) {
    struct Case {
        const char* what;
        const char* text;
        std::optional<std::string> password;
    };
    const Case cases[] = {
        {"exact line", "db.lab:5432:lab:station1:secret\n", "secret"},
        {"CR LF and a comment first", "# workstation\r\ndb.lab:5432:lab:station1:secret\r\n", "secret"},
        {"wildcards", "*:*:*:station1:any\n", "any"},
        {"first match wins", "db.lab:5432:lab:*:first\ndb.lab:5432:lab:station1:second\n", "first"},
        {"another user only", "db.lab:5432:lab:station2:other\n", std::nullopt},
        {"another port only", "db.lab:5433:lab:station1:other\n", std::nullopt},
        {"escaped colon and backslash in the password", "db.lab:5432:lab:station1:a\\:b\\\\c\n", "a:b\\c"},
        {"a colon left bare in the password", "db.lab:5432:lab:station1:a:b\n", "a:b"},
        {"too few fields", "db.lab:5432:lab\n", std::nullopt},
        {"no newline at the end", "db.lab:5432:lab:station1:last", "last"},
        {"empty file", "", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(PgPassPassword(c.text, "db.lab", 5432, "lab", "station1"), c.password);
    }
}

TEST(PgPassLookup, ReadsBackTheLineCentralConnectWrites) {
    CentralSettings s;
    s.host = "db.lab";
    s.port = 5432;
    s.database = "lab";
    s.user = "station:1";
    const std::string password = "p:a\\s s";
    EXPECT_EQ(PgPassPassword(PgPassLine(s, password), "db.lab", 5432, "lab", "station:1"), password);
}

}  // namespace
}  // namespace gvc
