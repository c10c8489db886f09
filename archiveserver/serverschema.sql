-- A department's archive on PostgreSQL: what every technician's tool sends
-- from its own archive, each row once (by its uid), with who sent it and
-- when by the server's own login and clock. Run once, in one transaction,
-- by "datamanager --init-archive-server" as a user that may make roles
-- (e.g. postgres). Everything lives in the schema "archive", owned by the
-- role dm_owner; technicians log in with roles IN ROLE dm_technician, which
-- may add and read but never change or remove a reading or a revision.

DO $$
BEGIN
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'dm_owner') THEN
        CREATE ROLE dm_owner NOLOGIN;
    END IF;
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'dm_technician') THEN
        CREATE ROLE dm_technician NOLOGIN;
    END IF;
END
$$;

-- Any-part search of names and numbers (a trusted extension).
CREATE EXTENSION IF NOT EXISTS pg_trgm SCHEMA public;
CREATE SCHEMA archive AUTHORIZATION dm_owner;
SET LOCAL ROLE dm_owner;
SET LOCAL search_path = archive, public;

-- The schema's version, and the server's identity: a database made again
-- is another server, to which every tool sends everything again.
CREATE TABLE schema_version (
    version     integer NOT NULL,
    server_uid  uuid NOT NULL DEFAULT gen_random_uuid(),
    made_at     timestamptz NOT NULL DEFAULT now()
);
INSERT INTO schema_version (version) VALUES (1);

-- The tables of the local archive, by uid instead of local row ids, each
-- row with the login that sent it and the server's time it came.
CREATE TABLE reads (
    id          bigint GENERATED ALWAYS AS IDENTITY UNIQUE,
    uid         text PRIMARY KEY,
    started_at  text NOT NULL,
    source      text NOT NULL,
    origin      text NOT NULL,
    complete    boolean NOT NULL,
    made_by     text NOT NULL,
    sent_by     name NOT NULL DEFAULT session_user,
    received_at timestamptz NOT NULL DEFAULT clock_timestamp()
);

CREATE TABLE readings (
    id          bigint GENERATED ALWAYS AS IDENTITY UNIQUE,
    uid         text PRIMARY KEY,
    group_text  text NOT NULL,
    read_uid    text NOT NULL,
    arrived_at  text NOT NULL,
    wiring_code integer,
    verdict     text NOT NULL,
    severity    integer NOT NULL,
    wrong_wiring boolean NOT NULL,
    form        text NOT NULL,
    k           double precision,
    p_total     double precision,
    load_window text NOT NULL,
    diagnosis_version integer NOT NULL,
    chain       text NOT NULL,              -- the sending archive's chain
    sent_by     name NOT NULL DEFAULT session_user,
    received_at timestamptz NOT NULL DEFAULT clock_timestamp()
);

CREATE TABLE read_items (
    read_uid    text NOT NULL,
    seq         integer NOT NULL,
    reading_uid text NOT NULL,
    known       boolean NOT NULL,
    sent_by     name NOT NULL DEFAULT session_user,
    received_at timestamptz NOT NULL DEFAULT clock_timestamp(),
    PRIMARY KEY (read_uid, seq)
);

CREATE TABLE meter_revisions (
    id          bigint GENERATED ALWAYS AS IDENTITY UNIQUE,
    uid         text PRIMARY KEY,
    meter_uid   text NOT NULL,
    account_no  text NOT NULL,
    customer    text NOT NULL,
    site        text NOT NULL,
    meter_no    text NOT NULL,
    ct_ratio    text NOT NULL,
    pt_ratio    text NOT NULL,
    made_at     text NOT NULL,
    made_by     text NOT NULL,
    sent_by     name NOT NULL DEFAULT session_user,
    received_at timestamptz NOT NULL DEFAULT clock_timestamp()
);
CREATE INDEX meter_revisions_meter ON meter_revisions (meter_uid, id);

CREATE TABLE test_revisions (
    id           bigint GENERATED ALWAYS AS IDENTITY UNIQUE,
    uid          text PRIMARY KEY,
    reading_uid  text NOT NULL,
    meter_uid    text,
    test_date    text NOT NULL,
    tester       text NOT NULL,
    voided       boolean NOT NULL,
    void_reason  text NOT NULL,
    corrected_on text,
    active_import double precision,
    active_export double precision,
    reactive_q1  double precision,
    reactive_q2  double precision,
    reactive_q3  double precision,
    reactive_q4  double precision,
    made_at      text NOT NULL,
    made_by      text NOT NULL,
    sent_by      name NOT NULL DEFAULT session_user,
    received_at  timestamptz NOT NULL DEFAULT clock_timestamp()
);
CREATE INDEX test_revisions_reading ON test_revisions (reading_uid, id);

CREATE TABLE reports (
    id          bigint GENERATED ALWAYS AS IDENTITY UNIQUE,
    uid         text PRIMARY KEY,
    made_at     text NOT NULL,
    made_by     text NOT NULL,
    file_name   text NOT NULL,
    sha256      text NOT NULL,
    pdf         bytea NOT NULL,
    sent_by     name NOT NULL DEFAULT session_user,
    received_at timestamptz NOT NULL DEFAULT clock_timestamp()
);
CREATE TABLE report_tests (
    report_uid  text NOT NULL,
    page        integer NOT NULL,
    reading_uid text NOT NULL,
    PRIMARY KEY (report_uid, page)
);

-- The latest revision of each meter and test as the server received them
-- (by its own order, the identity column), kept by the triggers below for
-- searching. Whichever order the rows of a test come in, the row ends the same.
CREATE TABLE meters_now (
    meter_uid   text PRIMARY KEY,
    revision_id bigint NOT NULL,
    account_no  text NOT NULL,
    customer    text NOT NULL,
    site        text NOT NULL,
    meter_no    text NOT NULL,
    ct_ratio    text NOT NULL,
    pt_ratio    text NOT NULL,
    haystack    text NOT NULL
);
CREATE INDEX meters_now_haystack ON meters_now USING gin (haystack gin_trgm_ops);

CREATE TABLE tests_now (
    id           bigint GENERATED ALWAYS AS IDENTITY UNIQUE,
    reading_uid  text PRIMARY KEY,
    revision_id  bigint,
    meter_uid    text,
    test_date    text NOT NULL,
    tester       text NOT NULL DEFAULT '',
    voided       boolean NOT NULL DEFAULT false,
    wrong_wiring boolean NOT NULL DEFAULT false
);
CREATE INDEX tests_now_date ON tests_now (test_date DESC, id DESC);
CREATE INDEX tests_now_meter ON tests_now (meter_uid, test_date);
CREATE INDEX tests_now_tester ON tests_now USING gin (tester gin_trgm_ops);

CREATE FUNCTION reading_listed() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER
SET search_path = archive, public AS $$
BEGIN
    INSERT INTO tests_now (reading_uid, test_date, wrong_wiring)
    VALUES (NEW.uid, substr(NEW.arrived_at, 1, 10), NEW.wrong_wiring)
    ON CONFLICT (reading_uid) DO UPDATE SET wrong_wiring = EXCLUDED.wrong_wiring;
    RETURN NULL;
END
$$;
CREATE TRIGGER readings_listed AFTER INSERT ON readings
FOR EACH ROW EXECUTE FUNCTION reading_listed();

CREATE FUNCTION meter_revision_current() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER
SET search_path = archive, public AS $$
BEGIN
    INSERT INTO meters_now
    VALUES (NEW.meter_uid, NEW.id, NEW.account_no, NEW.customer, NEW.site, NEW.meter_no,
            NEW.ct_ratio, NEW.pt_ratio,
            NEW.account_no || E'\n' || NEW.customer || E'\n' || NEW.site || E'\n' || NEW.meter_no)
    ON CONFLICT (meter_uid) DO UPDATE SET
        revision_id = EXCLUDED.revision_id, account_no = EXCLUDED.account_no,
        customer = EXCLUDED.customer, site = EXCLUDED.site, meter_no = EXCLUDED.meter_no,
        ct_ratio = EXCLUDED.ct_ratio, pt_ratio = EXCLUDED.pt_ratio, haystack = EXCLUDED.haystack
    WHERE meters_now.revision_id < EXCLUDED.revision_id;
    RETURN NULL;
END
$$;
CREATE TRIGGER meter_revision_current AFTER INSERT ON meter_revisions
FOR EACH ROW EXECUTE FUNCTION meter_revision_current();

CREATE FUNCTION test_revision_current() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER
SET search_path = archive, public AS $$
BEGIN
    INSERT INTO tests_now (reading_uid, revision_id, meter_uid, test_date, tester, voided)
    VALUES (NEW.reading_uid, NEW.id, NEW.meter_uid, NEW.test_date, NEW.tester, NEW.voided)
    ON CONFLICT (reading_uid) DO UPDATE SET
        revision_id = EXCLUDED.revision_id, meter_uid = EXCLUDED.meter_uid,
        test_date = EXCLUDED.test_date, tester = EXCLUDED.tester, voided = EXCLUDED.voided
    WHERE tests_now.revision_id IS NULL OR tests_now.revision_id < EXCLUDED.revision_id;
    RETURN NULL;
END
$$;
CREATE TRIGGER test_revision_current AFTER INSERT ON test_revisions
FOR EACH ROW EXECUTE FUNCTION test_revision_current();

-- What a technician may do: read everything, add rows (without choosing
-- who sent them or when), and nothing else.
GRANT USAGE ON SCHEMA archive TO dm_technician;
GRANT SELECT ON ALL TABLES IN SCHEMA archive TO dm_technician;
GRANT INSERT (uid, started_at, source, origin, complete, made_by) ON reads TO dm_technician;
GRANT INSERT (uid, group_text, read_uid, arrived_at, wiring_code, verdict, severity, wrong_wiring, form, k,
              p_total, load_window, diagnosis_version, chain) ON readings TO dm_technician;
GRANT INSERT (read_uid, seq, reading_uid, known) ON read_items TO dm_technician;
GRANT INSERT (uid, meter_uid, account_no, customer, site, meter_no, ct_ratio, pt_ratio, made_at, made_by)
    ON meter_revisions TO dm_technician;
GRANT INSERT (uid, reading_uid, meter_uid, test_date, tester, voided, void_reason, corrected_on,
              active_import, active_export, reactive_q1, reactive_q2, reactive_q3, reactive_q4, made_at, made_by)
    ON test_revisions TO dm_technician;
GRANT INSERT (uid, made_at, made_by, file_name, sha256, pdf) ON reports TO dm_technician;
GRANT INSERT (report_uid, page, reading_uid) ON report_tests TO dm_technician;
