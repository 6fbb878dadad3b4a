#include <array>
#include <span>
#include <string_view>

#include "central/central_schema.h"

namespace gvc {

namespace {

// Version 1: the runs as the workstations sent them, each workstation's
// chain head, each sensor's newest calibration, and the one way in.
constexpr std::string_view kVersion1 = R"sql(
CREATE TABLE gvc.workstations (
    station_id uuid PRIMARY KEY,
    station_name text NOT NULL,
    login_name text NOT NULL,
    last_seq bigint NOT NULL DEFAULT 0,
    last_hash text NOT NULL DEFAULT '',
    first_received timestamptz NOT NULL DEFAULT clock_timestamp(),
    last_received timestamptz
);
CREATE TYPE gvc.run_values AS (
    run_id text, workstation text, operator_name text,
    sensor_number text, gas_code bigint, gas_text text,
    type_number bigint, type_text text, unit_text text, range_top double precision,
    start_local timestamp(0), end_local timestamp(0), start_utc bigint, end_utc bigint,
    reference_thousandths bigint, reference_source bigint, cylinder_id bigint,
    temperature bigint,
    zero_average bigint, zero_spread bigint,
    reference_average bigint, reference_spread bigint,
    zero_series bytea, reference_series bytea,
    before_slope bigint, before_offset bigint, before_pga bigint,
    after_slope bigint, after_offset bigint, after_pga bigint,
    readback_slope bigint, readback_offset bigint, readback_pga bigint,
    readback_done bigint,
    outcome bigint, result_text text,
    step_report_log bigint, step_certificate bigint,
    step_sensor_write bigint, step_read_back bigint, saving_message text,
    report_record_line text, certificate_sha256 text, certificate_path text,
    next_calibration date,
    found_zero_shown double precision, found_zero_error_reading double precision,
    found_zero_error_range double precision,
    found_reference_shown double precision, found_reference_error_reading double precision,
    found_reference_error_range double precision,
    found_in_tolerance bigint, tolerance_percent double precision,
    left_zero_shown double precision, left_zero_error_reading double precision,
    left_zero_error_range double precision,
    left_reference_shown double precision, left_reference_error_reading double precision,
    left_reference_error_range double precision,
    imported bigint,
    end_of_use date
);
CREATE TABLE gvc.runs (
    id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    run_id text NOT NULL UNIQUE,
    workstation text NOT NULL, operator_name text NOT NULL,
    sensor_number text NOT NULL, gas_code bigint NOT NULL, gas_text text NOT NULL,
    type_number bigint NOT NULL, type_text text NOT NULL, unit_text text NOT NULL,
    range_top double precision NOT NULL,
    start_local timestamp(0) NOT NULL, end_local timestamp(0) NOT NULL,
    start_utc bigint NOT NULL, end_utc bigint NOT NULL,
    reference_thousandths bigint NOT NULL, reference_source bigint NOT NULL, cylinder_id bigint,
    temperature bigint NOT NULL,
    zero_average bigint NOT NULL, zero_spread bigint NOT NULL,
    reference_average bigint NOT NULL, reference_spread bigint NOT NULL,
    zero_series bytea NOT NULL, reference_series bytea NOT NULL,
    before_slope bigint NOT NULL, before_offset bigint NOT NULL, before_pga bigint NOT NULL,
    after_slope bigint NOT NULL, after_offset bigint NOT NULL, after_pga bigint NOT NULL,
    readback_slope bigint NOT NULL, readback_offset bigint NOT NULL, readback_pga bigint NOT NULL,
    readback_done bigint NOT NULL,
    outcome bigint NOT NULL, result_text text NOT NULL,
    step_report_log bigint NOT NULL, step_certificate bigint NOT NULL,
    step_sensor_write bigint NOT NULL, step_read_back bigint NOT NULL, saving_message text NOT NULL,
    report_record_line text NOT NULL, certificate_sha256 text NOT NULL, certificate_path text NOT NULL,
    next_calibration date,
    found_zero_shown double precision, found_zero_error_reading double precision,
    found_zero_error_range double precision,
    found_reference_shown double precision, found_reference_error_reading double precision,
    found_reference_error_range double precision,
    found_in_tolerance bigint, tolerance_percent double precision NOT NULL,
    left_zero_shown double precision, left_zero_error_reading double precision,
    left_zero_error_range double precision,
    left_reference_shown double precision, left_reference_error_reading double precision,
    left_reference_error_range double precision,
    imported bigint NOT NULL,
    end_of_use date,
    prev_hash text NOT NULL, row_hash text NOT NULL,
    station_id uuid NOT NULL REFERENCES gvc.workstations (station_id),
    station_name text NOT NULL,
    local_id bigint NOT NULL,
    station_seq bigint NOT NULL,
    received_at timestamptz NOT NULL,
    server_prev_hash text NOT NULL, server_hash text NOT NULL,
    UNIQUE (station_id, station_seq)
);
CREATE INDEX runs_by_sensor ON gvc.runs (sensor_number, id);
CREATE TABLE gvc.sensor_latest (
    sensor_number text PRIMARY KEY,
    run_row bigint NOT NULL REFERENCES gvc.runs (id),
    calibrated timestamp(0) NOT NULL, next_calibration date NOT NULL,
    gas_text text NOT NULL, end_of_use date,
    station_id uuid NOT NULL
);
CREATE INDEX sensor_latest_by_next ON gvc.sensor_latest (next_calibration, sensor_number);

-- The one way in. Serialises one workstation's rows with an advisory lock,
-- stores a run once (the same run again: 'already'; another row under the
-- same identifier: 'conflict', nothing stored), chains the workstation's rows
-- with the server's clock, and keeps each sensor's newest calibration.
CREATE FUNCTION gvc.submit_run(p_station uuid, p_station_name text, p_local_id bigint,
                               p_prev_hash text, p_row_hash text, p gvc.run_values)
RETURNS TABLE (outcome_text text, seq bigint)
LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $fn$
#variable_conflict use_column
DECLARE
    v_hash text;
    v_seq bigint;
    v_prev text;
    v_login text;
    v_at timestamptz;
    v_server text;
    v_id bigint;
BEGIN
    IF p_station IS NULL OR p_local_id IS NULL OR p_prev_hash IS NULL OR p_row_hash IS NULL
       OR p IS NULL OR (p).run_id IS NULL THEN
        RAISE EXCEPTION 'submit_run: a value is missing' USING ERRCODE = '22004';
    END IF;
    PERFORM pg_advisory_xact_lock(hashtextextended('gvc.station ' || p_station::text, 0));
    SELECT r.row_hash, r.station_seq INTO v_hash, v_seq FROM gvc.runs r WHERE r.run_id = (p).run_id;
    IF FOUND THEN
        RETURN QUERY SELECT CASE WHEN v_hash = p_row_hash THEN 'already' ELSE 'conflict' END, v_seq;
        RETURN;
    END IF;
    INSERT INTO gvc.workstations AS w (station_id, station_name, login_name)
        VALUES (p_station, coalesce(p_station_name, ''), session_user)
        ON CONFLICT (station_id) DO NOTHING;
    SELECT w.last_seq, w.last_hash, w.login_name INTO v_seq, v_prev, v_login
        FROM gvc.workstations w WHERE w.station_id = p_station FOR UPDATE;
    IF v_login <> session_user THEN
        RAISE EXCEPTION 'submit_run: workstation % sends as %, not as %', p_station, v_login, session_user
            USING ERRCODE = '42501';
    END IF;
    v_seq := v_seq + 1;
    v_at := clock_timestamp();
    v_server := encode(sha256(convert_to(v_prev || '|' || p_row_hash || '|' || v_seq::text || '|' ||
        to_char(v_at AT TIME ZONE 'UTC', 'YYYY-MM-DD"T"HH24:MI:SS.US"Z"'), 'UTF8')), 'hex');
    INSERT INTO gvc.runs (
        run_id, workstation, operator_name, sensor_number, gas_code, gas_text,
        type_number, type_text, unit_text, range_top, start_local, end_local, start_utc, end_utc,
        reference_thousandths, reference_source, cylinder_id, temperature,
        zero_average, zero_spread, reference_average, reference_spread, zero_series, reference_series,
        before_slope, before_offset, before_pga, after_slope, after_offset, after_pga,
        readback_slope, readback_offset, readback_pga, readback_done, outcome, result_text,
        step_report_log, step_certificate, step_sensor_write, step_read_back, saving_message,
        report_record_line, certificate_sha256, certificate_path, next_calibration,
        found_zero_shown, found_zero_error_reading, found_zero_error_range,
        found_reference_shown, found_reference_error_reading, found_reference_error_range,
        found_in_tolerance, tolerance_percent,
        left_zero_shown, left_zero_error_reading, left_zero_error_range,
        left_reference_shown, left_reference_error_reading, left_reference_error_range,
        imported, end_of_use,
        prev_hash, row_hash, station_id, station_name, local_id, station_seq, received_at,
        server_prev_hash, server_hash)
    SELECT
        v.run_id, v.workstation, v.operator_name, v.sensor_number, v.gas_code, v.gas_text,
        v.type_number, v.type_text, v.unit_text, v.range_top, v.start_local, v.end_local, v.start_utc, v.end_utc,
        v.reference_thousandths, v.reference_source, v.cylinder_id, v.temperature,
        v.zero_average, v.zero_spread, v.reference_average, v.reference_spread, v.zero_series, v.reference_series,
        v.before_slope, v.before_offset, v.before_pga, v.after_slope, v.after_offset, v.after_pga,
        v.readback_slope, v.readback_offset, v.readback_pga, v.readback_done, v.outcome, v.result_text,
        v.step_report_log, v.step_certificate, v.step_sensor_write, v.step_read_back, v.saving_message,
        v.report_record_line, v.certificate_sha256, v.certificate_path, v.next_calibration,
        v.found_zero_shown, v.found_zero_error_reading, v.found_zero_error_range,
        v.found_reference_shown, v.found_reference_error_reading, v.found_reference_error_range,
        v.found_in_tolerance, v.tolerance_percent,
        v.left_zero_shown, v.left_zero_error_reading, v.left_zero_error_range,
        v.left_reference_shown, v.left_reference_error_reading, v.left_reference_error_range,
        v.imported, v.end_of_use,
        p_prev_hash, p_row_hash, p_station, coalesce(p_station_name, ''), p_local_id, v_seq, v_at,
        v_prev, v_server
    FROM (SELECT (p).*) v
    ON CONFLICT (run_id) DO NOTHING
    RETURNING id INTO v_id;
    IF v_id IS NULL THEN
        -- Another workstation stored the same identifier meanwhile.
        SELECT r.row_hash, r.station_seq INTO v_hash, v_seq FROM gvc.runs r WHERE r.run_id = (p).run_id;
        RETURN QUERY SELECT CASE WHEN v_hash = p_row_hash THEN 'already' ELSE 'conflict' END, v_seq;
        RETURN;
    END IF;
    UPDATE gvc.workstations SET last_seq = v_seq, last_hash = v_server,
        station_name = coalesce(p_station_name, ''), last_received = v_at
        WHERE station_id = p_station;
    IF (p).outcome = 0 AND (p).next_calibration IS NOT NULL THEN
        -- One transaction at a time keeps the newest calibrations: rows of
        -- several workstations, each batch in its own order, would otherwise
        -- lock the same sensors crosswise and deadlock.
        PERFORM pg_advisory_xact_lock(hashtextextended('gvc.sensor_latest', 0));
        INSERT INTO gvc.sensor_latest AS l (sensor_number, run_row, calibrated, next_calibration,
                                            gas_text, end_of_use, station_id)
            VALUES ((p).sensor_number, v_id, (p).end_local, (p).next_calibration,
                    (p).gas_text, (p).end_of_use, p_station)
            ON CONFLICT (sensor_number) DO UPDATE SET run_row = excluded.run_row,
                calibrated = excluded.calibrated, next_calibration = excluded.next_calibration,
                gas_text = excluded.gas_text, end_of_use = excluded.end_of_use,
                station_id = excluded.station_id
            WHERE excluded.calibrated >= l.calibrated;
    END IF;
    RETURN QUERY SELECT 'added'::text, v_seq;
END;
$fn$;

REVOKE ALL ON SCHEMA gvc FROM PUBLIC;
GRANT USAGE ON SCHEMA gvc TO gvc_workstation, gvc_reader;
REVOKE ALL ON ALL TABLES IN SCHEMA gvc FROM PUBLIC;
GRANT SELECT ON ALL TABLES IN SCHEMA gvc TO gvc_workstation, gvc_reader;
REVOKE ALL ON FUNCTION gvc.submit_run(uuid, text, bigint, text, text, gvc.run_values) FROM PUBLIC;
GRANT EXECUTE ON FUNCTION gvc.submit_run(uuid, text, bigint, text, text, gvc.run_values) TO gvc_workstation;
)sql";

// Version 2: the laboratory's readers. The runs of one day (the "Журнал"
// page's laboratory view by day) found without a scan; the due list read in
// its order (by date, then the sensor numbers' bytes, as a workstation's own
// list sorts them) without a sort.
constexpr std::string_view kVersion2 = R"sql(
CREATE INDEX runs_by_start ON gvc.runs (start_local);
CREATE INDEX sensor_latest_by_next_bytes ON gvc.sensor_latest (next_calibration, sensor_number COLLATE "C");
)sql";

// Version 3: the server decides what it keeps, and no client can hold its locks.
//
// A run is refused, with its reason as the answer, when its row hash (or a
// previous hash other than the first row's empty one) is not 64 lower-case
// hexadecimal digits as the workstation's chain writes them, or when its end
// lies more than ten minutes after the server's clock (end_utc against the
// server's UTC; end_local against the server's UTC plus the widest time-zone
// offset, 14 hours). A refused run stores nothing and stays unsent; a
// workstation whose clock runs ahead is taken once the server's clock has
// passed its runs.
//
// 'already' only when the same workstation holds the same row under the
// identifier; another workstation's run, or another row, is a 'conflict'.
//
// Each sensor's newest calibration follows the server's receipt: a run's
// place in time is its end, but never later than the moment the server
// received it (ordered_at), and of equal places the later received wins. A
// run dated years ahead therefore counts as received, and the next genuine
// calibration replaces it; a workstation's late sending of an older run does
// not replace a newer one. The newest calibrations are rebuilt by this rule.
//
// Serialisation: one workstation's rows on its own row of gvc.workstations,
// the newest calibrations on the one row of gvc.submit_serial, both locked
// FOR UPDATE inside the function (clients hold SELECT only, which takes no
// row lock), in place of advisory locks that any login could take and keep.
constexpr std::string_view kVersion3 = R"sql(
CREATE TABLE gvc.submit_serial (one int PRIMARY KEY CHECK (one = 1));
INSERT INTO gvc.submit_serial VALUES (1);
REVOKE ALL ON gvc.submit_serial FROM PUBLIC, gvc_workstation, gvc_reader;

ALTER TABLE gvc.sensor_latest ADD COLUMN ordered_at bigint;
DELETE FROM gvc.sensor_latest;
INSERT INTO gvc.sensor_latest (sensor_number, run_row, calibrated, next_calibration, gas_text, end_of_use,
                               station_id, ordered_at)
    SELECT DISTINCT ON (r.sensor_number) r.sensor_number, r.id, r.end_local, r.next_calibration, r.gas_text,
           r.end_of_use, r.station_id, least(r.end_utc, floor(extract(epoch FROM r.received_at))::bigint)
    FROM gvc.runs r
    WHERE r.outcome = 0 AND r.next_calibration IS NOT NULL
    ORDER BY r.sensor_number, least(r.end_utc, floor(extract(epoch FROM r.received_at))::bigint) DESC, r.id DESC;
ALTER TABLE gvc.sensor_latest ALTER COLUMN ordered_at SET NOT NULL;

CREATE OR REPLACE FUNCTION gvc.submit_run(p_station uuid, p_station_name text, p_local_id bigint,
                                          p_prev_hash text, p_row_hash text, p gvc.run_values)
RETURNS TABLE (outcome_text text, seq bigint)
LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $fn$
#variable_conflict use_column
DECLARE
    v_hash text;
    v_seq bigint;
    v_prev text;
    v_login text;
    v_at timestamptz;
    v_server text;
    v_id bigint;
    v_holder uuid;
    v_order bigint;
    v_margin constant interval := interval '10 minutes';
BEGIN
    IF p_station IS NULL OR p_local_id IS NULL OR p_prev_hash IS NULL OR p_row_hash IS NULL
       OR p IS NULL OR (p).run_id IS NULL THEN
        RAISE EXCEPTION 'submit_run: a value is missing' USING ERRCODE = '22004';
    END IF;
    IF p_row_hash !~ '^[0-9a-f]{64}$' OR (p_prev_hash <> '' AND p_prev_hash !~ '^[0-9a-f]{64}$') THEN
        RETURN QUERY SELECT 'refused hash'::text, NULL::bigint;
        RETURN;
    END IF;
    v_at := clock_timestamp();
    IF (p).end_utc IS NULL OR (p).end_local IS NULL
       OR (p).end_utc > floor(extract(epoch FROM v_at + v_margin))::bigint
       OR (p).end_local > (v_at AT TIME ZONE 'UTC') + interval '14 hours' + v_margin THEN
        RETURN QUERY SELECT 'refused future'::text, NULL::bigint;
        RETURN;
    END IF;
    INSERT INTO gvc.workstations AS w (station_id, station_name, login_name)
        VALUES (p_station, coalesce(p_station_name, ''), session_user)
        ON CONFLICT (station_id) DO NOTHING;
    SELECT w.last_seq, w.last_hash, w.login_name INTO v_seq, v_prev, v_login
        FROM gvc.workstations w WHERE w.station_id = p_station FOR UPDATE;
    IF v_login <> session_user THEN
        RAISE EXCEPTION 'submit_run: workstation % sends as %, not as %', p_station, v_login, session_user
            USING ERRCODE = '42501';
    END IF;
    SELECT r.row_hash, r.station_seq, r.station_id INTO v_hash, v_id, v_holder
        FROM gvc.runs r WHERE r.run_id = (p).run_id;
    IF FOUND THEN
        IF v_holder = p_station AND v_hash = p_row_hash THEN
            RETURN QUERY SELECT 'already'::text, v_id;
        ELSE
            RETURN QUERY SELECT 'conflict'::text, NULL::bigint;
        END IF;
        RETURN;
    END IF;
    v_seq := v_seq + 1;
    v_at := clock_timestamp();
    v_server := encode(sha256(convert_to(v_prev || '|' || p_row_hash || '|' || v_seq::text || '|' ||
        to_char(v_at AT TIME ZONE 'UTC', 'YYYY-MM-DD"T"HH24:MI:SS.US"Z"'), 'UTF8')), 'hex');
    INSERT INTO gvc.runs (
        run_id, workstation, operator_name, sensor_number, gas_code, gas_text,
        type_number, type_text, unit_text, range_top, start_local, end_local, start_utc, end_utc,
        reference_thousandths, reference_source, cylinder_id, temperature,
        zero_average, zero_spread, reference_average, reference_spread, zero_series, reference_series,
        before_slope, before_offset, before_pga, after_slope, after_offset, after_pga,
        readback_slope, readback_offset, readback_pga, readback_done, outcome, result_text,
        step_report_log, step_certificate, step_sensor_write, step_read_back, saving_message,
        report_record_line, certificate_sha256, certificate_path, next_calibration,
        found_zero_shown, found_zero_error_reading, found_zero_error_range,
        found_reference_shown, found_reference_error_reading, found_reference_error_range,
        found_in_tolerance, tolerance_percent,
        left_zero_shown, left_zero_error_reading, left_zero_error_range,
        left_reference_shown, left_reference_error_reading, left_reference_error_range,
        imported, end_of_use,
        prev_hash, row_hash, station_id, station_name, local_id, station_seq, received_at,
        server_prev_hash, server_hash)
    SELECT
        v.run_id, v.workstation, v.operator_name, v.sensor_number, v.gas_code, v.gas_text,
        v.type_number, v.type_text, v.unit_text, v.range_top, v.start_local, v.end_local, v.start_utc, v.end_utc,
        v.reference_thousandths, v.reference_source, v.cylinder_id, v.temperature,
        v.zero_average, v.zero_spread, v.reference_average, v.reference_spread, v.zero_series, v.reference_series,
        v.before_slope, v.before_offset, v.before_pga, v.after_slope, v.after_offset, v.after_pga,
        v.readback_slope, v.readback_offset, v.readback_pga, v.readback_done, v.outcome, v.result_text,
        v.step_report_log, v.step_certificate, v.step_sensor_write, v.step_read_back, v.saving_message,
        v.report_record_line, v.certificate_sha256, v.certificate_path, v.next_calibration,
        v.found_zero_shown, v.found_zero_error_reading, v.found_zero_error_range,
        v.found_reference_shown, v.found_reference_error_reading, v.found_reference_error_range,
        v.found_in_tolerance, v.tolerance_percent,
        v.left_zero_shown, v.left_zero_error_reading, v.left_zero_error_range,
        v.left_reference_shown, v.left_reference_error_reading, v.left_reference_error_range,
        v.imported, v.end_of_use,
        p_prev_hash, p_row_hash, p_station, coalesce(p_station_name, ''), p_local_id, v_seq, v_at,
        v_prev, v_server
    FROM (SELECT (p).*) v
    ON CONFLICT (run_id) DO NOTHING
    RETURNING id INTO v_id;
    IF v_id IS NULL THEN
        -- Another workstation stored the same identifier meanwhile.
        RETURN QUERY SELECT 'conflict'::text, NULL::bigint;
        RETURN;
    END IF;
    UPDATE gvc.workstations SET last_seq = v_seq, last_hash = v_server,
        station_name = coalesce(p_station_name, ''), last_received = v_at
        WHERE station_id = p_station;
    IF (p).outcome = 0 AND (p).next_calibration IS NOT NULL THEN
        -- One transaction at a time keeps the newest calibrations: rows of
        -- several workstations, each batch in its own order, would otherwise
        -- lock the same sensors crosswise and deadlock.
        PERFORM 1 FROM gvc.submit_serial FOR UPDATE;
        v_order := least((p).end_utc, floor(extract(epoch FROM v_at))::bigint);
        INSERT INTO gvc.sensor_latest AS l (sensor_number, run_row, calibrated, next_calibration,
                                            gas_text, end_of_use, station_id, ordered_at)
            VALUES ((p).sensor_number, v_id, (p).end_local, (p).next_calibration,
                    (p).gas_text, (p).end_of_use, p_station, v_order)
            ON CONFLICT (sensor_number) DO UPDATE SET run_row = excluded.run_row,
                calibrated = excluded.calibrated, next_calibration = excluded.next_calibration,
                gas_text = excluded.gas_text, end_of_use = excluded.end_of_use,
                station_id = excluded.station_id, ordered_at = excluded.ordered_at
            WHERE (excluded.ordered_at, excluded.run_row) > (l.ordered_at, l.run_row);
    END IF;
    RETURN QUERY SELECT 'added'::text, v_seq;
END;
$fn$;

REVOKE ALL ON FUNCTION gvc.submit_run(uuid, text, bigint, text, text, gvc.run_values) FROM PUBLIC;
GRANT EXECUTE ON FUNCTION gvc.submit_run(uuid, text, bigint, text, text, gvc.run_values) TO gvc_workstation;
GRANT SELECT ON gvc.sensor_latest TO gvc_workstation, gvc_reader;
)sql";

// New migrations go at the end of this list, never in between.
const std::array<std::string_view, 4> kMigrations = {kVersion1, kVersion2, kVersion3,
                                                     CentralMigrationRunColumns()};

}  // namespace

std::span<const std::string_view> CentralMigrations() {
    return kMigrations;
}

int CentralSchemaTarget() {
    return static_cast<int>(kMigrations.size());
}

}  // namespace gvc
