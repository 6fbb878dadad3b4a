#include "central/central_schema.h"

namespace gvc {

// Version 4 of the laboratory's schema: the run's write into the sensor at
// its start and its restore at the end, the computed result, a copy of its
// reference cylinder and how the row came into the workstation's database
// (each hashed, so each travels with the run). submit_run now inserts every
// field of gvc.run_values by name, and the due list also takes a run that
// left its sensor without a valid calibration. A run sent before reads as it
// was hashed: 0, empty or NULL, which its hash leaves out. A workstation of
// an older program must be brought up to date to send (its row type is the
// older one).
std::string_view CentralMigrationRunColumns() {
    return R"sql(
ALTER TYPE gvc.run_values ADD ATTRIBUTE params_write bigint;
ALTER TYPE gvc.run_values ADD ATTRIBUTE restore bigint;
ALTER TYPE gvc.run_values ADD ATTRIBUTE before_unknown bigint;
ALTER TYPE gvc.run_values ADD ATTRIBUTE computed_slope bigint;
ALTER TYPE gvc.run_values ADD ATTRIBUTE computed_offset bigint;
ALTER TYPE gvc.run_values ADD ATTRIBUTE cylinder_gas_code bigint;
ALTER TYPE gvc.run_values ADD ATTRIBUTE cylinder_gas_text text;
ALTER TYPE gvc.run_values ADD ATTRIBUTE cylinder_concentration float8;
ALTER TYPE gvc.run_values ADD ATTRIBUTE cylinder_unit text;
ALTER TYPE gvc.run_values ADD ATTRIBUTE cylinder_lot text;
ALTER TYPE gvc.run_values ADD ATTRIBUTE cylinder_expiry text;
ALTER TYPE gvc.run_values ADD ATTRIBUTE recorded_from bigint;
ALTER TYPE gvc.run_values ADD ATTRIBUTE recorded_utc bigint;
ALTER TABLE gvc.runs ADD COLUMN params_write bigint NOT NULL DEFAULT 0;
ALTER TABLE gvc.runs ADD COLUMN restore bigint NOT NULL DEFAULT 0;
ALTER TABLE gvc.runs ADD COLUMN before_unknown bigint NOT NULL DEFAULT 0;
ALTER TABLE gvc.runs ADD COLUMN computed_slope bigint;
ALTER TABLE gvc.runs ADD COLUMN computed_offset bigint;
ALTER TABLE gvc.runs ADD COLUMN cylinder_gas_code bigint NOT NULL DEFAULT 0;
ALTER TABLE gvc.runs ADD COLUMN cylinder_gas_text text NOT NULL DEFAULT '';
ALTER TABLE gvc.runs ADD COLUMN cylinder_concentration float8;
ALTER TABLE gvc.runs ADD COLUMN cylinder_unit text NOT NULL DEFAULT '';
ALTER TABLE gvc.runs ADD COLUMN cylinder_lot text NOT NULL DEFAULT '';
ALTER TABLE gvc.runs ADD COLUMN cylinder_expiry text NOT NULL DEFAULT '';
ALTER TABLE gvc.runs ADD COLUMN recorded_from bigint NOT NULL DEFAULT 0;
ALTER TABLE gvc.runs ADD COLUMN recorded_utc bigint;

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
    v_columns text;
    v_values text;
    v_next date;
    v_invalid boolean;
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
    -- Every field of the row type by name, so that a field added later needs
    -- only its column and its attribute, not this function again.
    SELECT string_agg(quote_ident(a.attname), ', ' ORDER BY a.attnum),
           string_agg('v.' || quote_ident(a.attname), ', ' ORDER BY a.attnum)
        INTO v_columns, v_values
        FROM pg_attribute a
        WHERE a.attrelid = 'gvc.run_values'::regclass AND a.attnum > 0 AND NOT a.attisdropped;
    EXECUTE format('INSERT INTO gvc.runs (%s, prev_hash, row_hash, station_id, station_name, local_id, '
                   'station_seq, received_at, server_prev_hash, server_hash) '
                   'SELECT %s, $2, $3, $4, $5, $6, $7, $8, $9, $10 FROM (SELECT ($1).*) v '
                   'ON CONFLICT (run_id) DO NOTHING RETURNING id', v_columns, v_values)
        INTO v_id
        USING p, p_prev_hash, p_row_hash, p_station, coalesce(p_station_name, ''), p_local_id, v_seq, v_at,
              v_prev, v_server;
    IF v_id IS NULL THEN
        -- Another workstation stored the same identifier meanwhile.
        RETURN QUERY SELECT 'conflict'::text, NULL::bigint;
        RETURN;
    END IF;
    UPDATE gvc.workstations SET last_seq = v_seq, last_hash = v_server,
        station_name = coalesce(p_station_name, ''), last_received = v_at
        WHERE station_id = p_station;
    -- The sensor's state for the due list: a saved calibration with its next
    -- date, or a run that left the sensor without a valid calibration (its
    -- restore failed or is unknown, or it never ended after writing into
    -- the sensor), due on the day of that run.
    v_invalid := coalesce((p).restore, 0) IN (2, 3)
        OR ((p).outcome = 6 AND (coalesce((p).params_write, 0) <> 0 OR (p).step_sensor_write <> 0));
    v_next := CASE WHEN (p).outcome = 0 THEN (p).next_calibration
                   WHEN v_invalid THEN (p).end_local::date END;
    IF v_next IS NOT NULL THEN
        -- One transaction at a time keeps the newest calibrations: rows of
        -- several workstations, each batch in its own order, would otherwise
        -- lock the same sensors crosswise and deadlock.
        PERFORM 1 FROM gvc.submit_serial FOR UPDATE;
        v_order := least((p).end_utc, floor(extract(epoch FROM v_at))::bigint);
        INSERT INTO gvc.sensor_latest AS l (sensor_number, run_row, calibrated, next_calibration,
                                            gas_text, end_of_use, station_id, ordered_at)
            VALUES ((p).sensor_number, v_id, (p).end_local, v_next, (p).gas_text,
                    CASE WHEN (p).outcome = 0 THEN (p).end_of_use END, p_station, v_order)
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
)sql";
}

}  // namespace gvc
