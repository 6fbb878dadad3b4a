// Comparing a workstation's database with the server's copy of its runs:
// the copies agree after sending; each kind of difference made afterwards
// (as the server's administrator, or in the workstation's own file) is named.
#include <gtest/gtest.h>

#include <functional>

#include "central/central_verify.h"
#include "read_fixture.h"
#include "store/sqlite_db.h"

namespace gvc {
namespace {

using namespace gvc::literals;
using test::Laboratory;
using test::LabRun;
using test::LabWorkstation;

const std::string kSensor = "03-01.00.012.345";

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& l : lines)
        text += Utf8FromCp1251(l) + "\n";
    return text;
}

// As the server's administrator, past any rule that guards the table.
void AsAdmin(const Laboratory& lab, const std::string& sql, const std::string& runId) {
    auto admin = lab.Db().Admin();
    ASSERT_TRUE(admin);
    ASSERT_TRUE(admin->Run("SET session_replication_role = replica")) << Utf8FromCp1251(admin->Error());
    const PgResult r = admin->Exec(sql, PgParams().Text(runId));
    ASSERT_TRUE(r.Ok()) << Utf8FromCp1251(admin->Error());
}

void InLocalFile(LabWorkstation& ws, const std::string& sql, const std::string& runId) {
    SqliteStatement st(ws.Store().Db(), sql);
    ASSERT_TRUE(st.Ok());
    st.BindText(1, runId);
    st.Step();
    ASSERT_FALSE(st.Failed()) << Utf8FromCp1251(ws.Store().Db().Error());
}

struct Case {
    const char* name;
    std::function<void(const Laboratory&, LabWorkstation&, const std::vector<RunRecord>&)> change;
    std::vector<std::string> named;  // UTF-8 parts of the differences expected
};

TEST(CentralVerify, NamesEveryDifferenceBetweenTheWorkstationAndTheServer) {
    const Case cases[] = {
        {"nothing changed", [](const Laboratory&, LabWorkstation&, const std::vector<RunRecord>&) {}, {}},
        {"a row changed on the server",
         [](const Laboratory& lab, LabWorkstation&, const std::vector<RunRecord>& runs) {
             AsAdmin(lab, "UPDATE gvc.runs SET operator_name = 'Петров' WHERE run_id = $1", runs[1].runId);
         },
         {"строка 2 этого рабочего места: запуск WS-A-2026-05-14-2: содержимое изменено"}},
        {"a value the hash covers changed on the server (a reference a digit off)",
         [](const Laboratory& lab, LabWorkstation&, const std::vector<RunRecord>& runs) {
             AsAdmin(lab, "UPDATE gvc.runs SET found_zero_error_range = 0.333333333333333 WHERE run_id = $1",
                     runs[0].runId);
         },
         {"строка 1 этого рабочего места: запуск WS-A-2026-05-14-1: содержимое изменено"}},
        {"a row and its hash changed on the server",
         [](const Laboratory& lab, LabWorkstation&, const std::vector<RunRecord>& runs) {
             AsAdmin(lab, "UPDATE gvc.runs SET row_hash = repeat('0', 64) WHERE run_id = $1", runs[2].runId);
         },
         {"строка 3 этого рабочего места: цепочка сервера нарушена",
          "строка 3 этого рабочего места: запуск WS-A-2026-05-14-3: содержимое изменено",
          "запуск WS-A-2026-05-14-3: копия на центральном сервере отличается от строки 3 базы данных"}},
        {"a row deleted on the server",
         [](const Laboratory& lab, LabWorkstation&, const std::vector<RunRecord>& runs) {
             AsAdmin(lab, "DELETE FROM gvc.runs WHERE run_id = $1", runs[1].runId);
         },
         {"центральная база: строка 2 этого рабочего места удалена",
          "запуск WS-A-2026-05-14-2 (строка 2 базы данных) отправлен, но на центральном сервере его нет"}},
        {"the last row deleted on the server",
         [](const Laboratory& lab, LabWorkstation&, const std::vector<RunRecord>& runs) {
             AsAdmin(lab, "DELETE FROM gvc.runs WHERE run_id = $1", runs[2].runId);
         },
         {"центральная база: строка 3 этого рабочего места удалена",
          "запуск WS-A-2026-05-14-3 (строка 3 базы данных) отправлен, но на центральном сервере его нет"}},
        {"a run not sent",
         [](const Laboratory&, LabWorkstation& ws, const std::vector<RunRecord>&) {
             ws.Add(LabRun("WS-A", 9, kSensor, {2026, 5, 15}, {2027, 5, 15}));
         },
         {"запуск WS-A-2026-05-15-9 (строка 4 базы данных) ещё не отправлен на центральный сервер"}},
        {"a run deleted in the workstation's database",
         [](const Laboratory&, LabWorkstation& ws, const std::vector<RunRecord>& runs) {
             InLocalFile(ws, "DELETE FROM runs WHERE run_id = ?", runs[1].runId);
         },
         {"строка 2 этого рабочего места: запуск WS-A-2026-05-14-2 есть на центральном сервере, но нет в "
          "базе данных рабочего места"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Laboratory lab("verify");
        ASSERT_TRUE(lab.Ok());
        LabWorkstation ws("WS-A");
        std::vector<RunRecord> runs;
        for (int n = 1; n <= 3; ++n) {
            runs.push_back(LabRun("WS-A", n, kSensor, {2026, 5, 14}, {2027, 5, 14}));
            ws.Add(runs.back());
        }
        ws.Send(lab);
        c.change(lab, ws, runs);

        const auto reader = lab.Reader();
        ASSERT_TRUE(reader);
        const CentralVerifyReport report = VerifyWithCentral(ws.Store(), *reader);
        const std::string text = Joined(report.differences);
        EXPECT_EQ(report.ok, c.named.empty()) << text;
        EXPECT_EQ(report.differences.size(), c.named.size()) << text;
        for (const std::string& part : c.named)
            EXPECT_NE(text.find(part), std::string::npos) << "missing: " << part << "\nin:\n" << text;
    }
}

}  // namespace
}  // namespace gvc
