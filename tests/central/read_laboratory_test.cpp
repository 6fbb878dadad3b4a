// The laboratory's view on the server: two workstations' runs in one list,
// each with its workstation; every field comes back as it was calibrated (the
// row hashes as the workstation hashed it); the due list takes each sensor's
// newest run from whichever workstation made it.
#include <gtest/gtest.h>

#include <algorithm>

#include "read_fixture.h"
#include "store/run_codec.h"

namespace gvc {
namespace {

using test::Laboratory;
using test::LabRun;
using test::LabWorkstation;

const std::string kShared = "03-01.00.012.345";
const std::string kOnlyA = "03-01.00.000.001";
const CivilDate kMay14{2026, 5, 14};
const CivilDate kJun01{2026, 6, 1};

std::vector<std::string> RunIds(const std::vector<StoredRun>& runs) {
    std::vector<std::string> ids;
    for (const StoredRun& r : runs)
        ids.push_back(r.record.runId);
    return ids;
}

TEST(CentralRead, TwoWorkstationsInOneLaboratoryView) {
    Laboratory lab("read_view");
    ASSERT_TRUE(lab.Ok());
    LabWorkstation a("WS-A");
    LabWorkstation b(Cp1251FromUtf8("СТАНЦИЯ-Б"));
    const RunRecord a1 = LabRun(a.Name(), 1, kShared, kMay14, {2027, 5, 14});
    RunRecord a2 = LabRun(a.Name(), 2, kOnlyA, kJun01, {2027, 6, 1});
    a2.outcome = RunOutcome::kRefused;  // a run that saved nothing is on the server too
    a2.saving = {};
    a2.nextCalibration.reset();
    a2.cylinderId = 7;
    a2.asFound = {};
    const RunRecord b1 = LabRun(b.Name(), 3, kShared, kJun01, {2026, 12, 1});
    a.Add(a1);
    a.Add(a2);
    b.Add(b1);
    a.Send(lab);
    b.Send(lab);

    const auto reader = lab.Reader();
    ASSERT_TRUE(reader);
    const auto count = reader->RunCount();
    ASSERT_TRUE(count.ok) << Utf8FromCp1251(count.message);
    EXPECT_EQ(count.value, 3);

    const auto all = reader->AllRuns();
    ASSERT_TRUE(all.ok) << Utf8FromCp1251(all.message);
    ASSERT_EQ(all.value.size(), 3u);
    EXPECT_EQ(RunIds(all.value), (std::vector<std::string>{a1.runId, a2.runId, b1.runId}));
    // Every field as calibrated, and the hash the workstation's chain gave the row.
    const auto local = a.Store().AllRuns();
    ASSERT_TRUE(local.ok);
    for (std::size_t i = 0; i < 2; ++i) {
        const StoredRun& got = all.value[i];
        const StoredRun& want = local.value[i];
        EXPECT_EQ(EncodeRun(got.record, got.endOfUse), EncodeRun(want.record, want.endOfUse)) << i;
        EXPECT_EQ(got.id, want.id);
        EXPECT_EQ(got.prevHash, want.prevHash);
        EXPECT_EQ(got.rowHash, want.rowHash);
        EXPECT_EQ(ChainHash(EncodeRun(got.record, got.endOfUse), got.prevHash), got.rowHash) << i;
    }
    EXPECT_EQ(all.value[2].record.workstation, b.Name());
    EXPECT_EQ(all.value[2].record.operatorName, Cp1251FromUtf8("Иванов И.И."));

    // One sensor's runs from both workstations, oldest first.
    const auto shared = reader->SensorRuns(kShared);
    ASSERT_TRUE(shared.ok);
    EXPECT_EQ(RunIds(shared.value), (std::vector<std::string>{a1.runId, b1.runId}));
    // The logged runs: the refused one wrote no record.
    const auto logged = reader->LoggedRuns();
    ASSERT_TRUE(logged.ok);
    EXPECT_EQ(RunIds(logged.value), (std::vector<std::string>{a1.runId, b1.runId}));

    // One day, one workstation (by name, and by its identity).
    const struct {
        CentralRunFilter filter;
        std::vector<std::string> ids;
    } cases[] = {
        {{kJun01, "", ""}, {a2.runId, b1.runId}},
        {{std::nullopt, b.Name(), ""}, {b1.runId}},
        {{kJun01, "WS-A", ""}, {a2.runId}},
        {{CivilDate{2026, 5, 15}, "", ""}, {}},
    };
    for (const auto& c : cases) {
        const auto some = reader->AllRuns(c.filter);
        ASSERT_TRUE(some.ok) << Utf8FromCp1251(some.message);
        EXPECT_EQ(RunIds(some.value), c.ids);
    }
}

TEST(CentralRead, DueListTakesTheNewestRunFromAnyWorkstation) {
    Laboratory lab("read_due");
    ASSERT_TRUE(lab.Ok());
    LabWorkstation a("WS-A");
    LabWorkstation b("WS-B");
    // The shared sensor: calibrated on A in May (next in a year), then on B in
    // June with a next date in December. B sends first: the older run that
    // comes later must not win.
    a.Add(LabRun("WS-A", 1, kShared, kMay14, {2027, 5, 14}));
    b.Add(LabRun("WS-B", 2, kShared, kJun01, {2026, 12, 1}));
    RunRecord refused = LabRun("WS-A", 3, kShared, {2026, 7, 1}, {2028, 1, 1});
    refused.outcome = RunOutcome::kRefused;  // never the newest calibration
    a.Add(refused);
    a.Add(LabRun("WS-A", 4, kOnlyA, kMay14, {2026, 11, 30}));
    b.Send(lab);
    a.Send(lab);

    const auto reader = lab.Reader();
    ASSERT_TRUE(reader);
    const auto due = reader->DueList({2026, 11, 20}, 30);
    ASSERT_TRUE(due.ok) << Utf8FromCp1251(due.message);
    ASSERT_EQ(due.value.size(), 2u);
    EXPECT_EQ(due.value[0].sensorNumber, kOnlyA);
    EXPECT_EQ(due.value[0].daysLeft, 10);
    EXPECT_EQ(due.value[1].sensorNumber, kShared);
    EXPECT_EQ(due.value[1].calibrated, kJun01);
    EXPECT_EQ(due.value[1].nextCalibration, (CivilDate{2026, 12, 1}));
    EXPECT_EQ(due.value[1].daysLeft, 11);
    EXPECT_EQ(due.value[1].gasText, "CO");

    // Nothing due within ten days; overdue a year later, both.
    EXPECT_TRUE(reader->DueList({2026, 11, 1}, 10).value.empty());
    const auto late = reader->DueList({2027, 12, 1}, 0);
    ASSERT_EQ(late.value.size(), 2u);
    EXPECT_LT(late.value[1].daysLeft, 0);
}

}  // namespace
}  // namespace gvc
