// The central server's schema "gvc": a list of migrations (step N brings the
// schema from version N-1 to N; gvc.schema_version holds the version), the
// roles, and the login users that join them.
//
// Tables (every text UTF-8):
//   gvc.runs          every column of the local runs table under the same name
//                     (INTEGER -> bigint, REAL -> double precision, TEXT -> text,
//                     series BLOB -> bytea with the same bytes, the local times
//                     "yyyy-mm-dd hh:mm:ss" -> timestamp(0), dates -> date), the
//                     local prev_hash and row_hash, and:
//                       id                the server's row number
//                       station_id        the sending workstation's UUID
//                       station_name      its computer name when it sent the row
//                       local_id          the row's number in the workstation's database
//                       station_seq       1, 2, 3... per workstation, in the order received
//                       received_at       the server's clock (timestamptz)
//                       server_prev_hash  the workstation's previous server_hash ('' first)
//                       server_hash       ServerChainHash(server_prev_hash, row_hash,
//                                         station_seq, ReceivedAtText(received_at))
//                     run_id is unique.
//   gvc.workstations  station_id, station_name, login_name (the login that first
//                     sent for it; no other login may send for it), last_seq,
//                     last_hash, first_received, last_received
//   gvc.sensor_latest each sensor's newest saved run with a next-calibration
//                     date over all workstations: sensor_number, run_row (gvc.runs.id),
//                     calibrated, next_calibration, gas_text, end_of_use, station_id,
//                     ordered_at (the run's end_utc, never later than its receipt:
//                     the order in which the newest is chosen)
//   gvc.submit_serial one row, locked inside gvc.submit_run to serialise the
//                     newest-calibration updates (no login can lock it)
// Rows go in only through gvc.submit_run (SECURITY DEFINER; see central_sender.h
// and the migrations for what it refuses).
//
// Roles: gvc_workstation (NOLOGIN; USAGE, SELECT, EXECUTE on gvc.submit_run;
// no INSERT, UPDATE, DELETE or TRUNCATE) and gvc_reader (NOLOGIN; SELECT).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "central/pg_connection.h"

namespace gvc {

inline constexpr std::string_view kWorkstationRole = "gvc_workstation";
inline constexpr std::string_view kReaderRole = "gvc_reader";

enum class CentralRole { kWorkstation, kReader };

// The migrations, oldest first. New ones go at the end, never in between.
std::span<const std::string_view> CentralMigrations();
// The version this program creates: the number of migrations.
int CentralSchemaTarget();
// The migration that added the run's fields of the workstation's schema 4
// (kept in a file of its own).
std::string_view CentralMigrationRunColumns();

// The schema's version on the server (0 when there is no schema yet), or
// nothing with the reason.
std::optional<int> CentralSchemaVersion(PgConnection& connection, std::string& message);

// As the administrator: creates the roles when missing and brings the schema
// to CentralSchemaTarget(), all migrations in one transaction under a lock, so
// that two at once cannot meet. False with the reason; a schema newer than
// this program is refused.
bool MigrateCentral(PgConnection& admin, std::string& message);

// As the administrator: creates the login user (or sets its password when it
// exists) and makes it a member of `role`. The password is turned into its
// SCRAM verifier here; it never enters a statement or a message.
bool AddCentralUser(PgConnection& admin, std::string_view userUtf8, std::string_view password,
                    CentralRole role, std::string& message);

// The server's chain over one workstation's rows: lower-case hex SHA-256 of
// "<prevServerHash>|<rowHash>|<seq>|<receivedAt>".
std::string ServerChainHash(std::string_view prevServerHash, std::string_view rowHash, std::int64_t seq,
                            std::string_view receivedAt);
// The SQL expression giving received_at's text as the chain covers it
// ("2026-12-11T03:47:54.123456Z"), for a column or variable `column`.
std::string ReceivedAtTextSql(std::string_view column);

}  // namespace gvc
