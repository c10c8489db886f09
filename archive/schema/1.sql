-- The archive of readings, meters and tests. Readings are kept exactly as
-- the instrument sent them and never change; everything a technician adds
-- or changes later (which meter a test belongs to, a meter's details, a
-- test voided) is a new revision, appended with its time and who made it.
-- Each row that may leave this computer carries a global identity (uid), so
-- that a department's server takes it once however often it is sent.

-- One read from the instrument, one data file taken in, or one copy of a
-- reading taken in from the readings folder.
CREATE TABLE reads (
    id          INTEGER PRIMARY KEY,
    uid         TEXT NOT NULL UNIQUE,
    started_at  TEXT NOT NULL,              -- ISO 8601, local time with offset
    source      TEXT NOT NULL CHECK (source IN ('instrument', 'copy', 'file')),
    origin      TEXT NOT NULL DEFAULT '',   -- the copy's or the file's name
    complete    INTEGER NOT NULL DEFAULT 0, -- the instrument ended the read ("end")
    made_by     TEXT NOT NULL
);
CREATE INDEX reads_origin ON reads (origin);

-- One measurement group. Its uid comes from the digest of its text: the
-- same group read again (an instrument read twice before it was cleared)
-- is the same reading. The verdict is the diagnosis made when it was
-- archived, under the window named, by the version of the diagnosis named;
-- a later version does not change it. chain is the SHA-256 of the previous
-- reading's chain and this reading's uid, text and arrival.
CREATE TABLE readings (
    id            INTEGER PRIMARY KEY,
    uid           TEXT NOT NULL UNIQUE,
    group_text    TEXT NOT NULL,
    read_id       INTEGER NOT NULL REFERENCES reads (id),
    arrived_at    TEXT NOT NULL,
    wiring_code   INTEGER,
    verdict       TEXT NOT NULL,
    severity      INTEGER NOT NULL,         -- 0 正常, 1 提示, 2 异常
    wrong_wiring  INTEGER NOT NULL,         -- a form other than the correct one was named
    form          TEXT NOT NULL DEFAULT '',
    k             REAL,                     -- NULL: not known; infinite: the meter stops
    p_total       REAL,                     -- ΣP, W
    load_window   TEXT NOT NULL,
    diagnosis_version INTEGER NOT NULL,
    chain         TEXT NOT NULL
);

-- What each read brought, in order; a group read again points at the
-- reading it was first archived as.
CREATE TABLE read_items (
    read_id     INTEGER NOT NULL REFERENCES reads (id),
    seq         INTEGER NOT NULL,           -- 1 for the read's first group
    reading_id  INTEGER NOT NULL REFERENCES readings (id),
    known       INTEGER NOT NULL,           -- 1: already in the archive when it came
    PRIMARY KEY (read_id, seq)
) WITHOUT ROWID;
CREATE INDEX read_items_reading ON read_items (reading_id);

-- A meter's details as of one revision. meter_uid comes from 户号 and 表号
-- when the meter was first made, so that two computers that made the same
-- meter while apart end with one meter.
CREATE TABLE meter_revisions (
    id          INTEGER PRIMARY KEY,
    uid         TEXT NOT NULL UNIQUE,
    meter_uid   TEXT NOT NULL,
    account_no  TEXT NOT NULL,              -- 户号
    customer    TEXT NOT NULL,              -- 户名
    site        TEXT NOT NULL,              -- 安装地点
    meter_no    TEXT NOT NULL,              -- 表号
    ct_ratio    TEXT NOT NULL,              -- as the nameplate writes it
    pt_ratio    TEXT NOT NULL,
    made_at     TEXT NOT NULL,
    made_by     TEXT NOT NULL
);
CREATE INDEX meter_revisions_meter ON meter_revisions (meter_uid, id);

-- A test (one reading) as of one revision: which meter, the date of the
-- test, who tested, voided (作废) with a reason, the wiring corrected
-- (接线已更正) on a date, the meter's registers read at the visit.
CREATE TABLE test_revisions (
    id           INTEGER PRIMARY KEY,
    uid          TEXT NOT NULL UNIQUE,
    reading_uid  TEXT NOT NULL,
    meter_uid    TEXT,
    test_date    TEXT NOT NULL,             -- 检测日期, yyyy-MM-dd
    tester       TEXT NOT NULL DEFAULT '',
    voided       INTEGER NOT NULL DEFAULT 0,
    void_reason  TEXT NOT NULL DEFAULT '',
    corrected_on TEXT,                      -- 接线已更正, yyyy-MM-dd
    active_import   REAL,                   -- 正向有功, kWh
    active_export   REAL,                   -- 反向有功
    reactive_q1     REAL,                   -- 无功 Ⅰ to Ⅳ, kvarh
    reactive_q2     REAL,
    reactive_q3     REAL,
    reactive_q4     REAL,
    made_at      TEXT NOT NULL,
    made_by      TEXT NOT NULL
);
CREATE INDEX test_revisions_reading ON test_revisions (reading_uid, id);

-- The latest revision of each meter and of each test, kept by the triggers
-- below for searching; made again from the revisions at any time.
CREATE TABLE meters_now (
    meter_uid   TEXT PRIMARY KEY,
    revision_id INTEGER NOT NULL,
    account_no  TEXT NOT NULL,
    customer    TEXT NOT NULL,
    site        TEXT NOT NULL,
    meter_no    TEXT NOT NULL,
    ct_ratio    TEXT NOT NULL,
    pt_ratio    TEXT NOT NULL,
    haystack    TEXT NOT NULL               -- what the search box looks in
);
CREATE TABLE tests_now (
    reading_id  INTEGER PRIMARY KEY,
    revision_id INTEGER,                    -- NULL: as archived, tied to no meter
    meter_uid   TEXT,
    test_date   TEXT NOT NULL,
    tester      TEXT NOT NULL DEFAULT '',
    voided      INTEGER NOT NULL DEFAULT 0,
    wrong_wiring INTEGER NOT NULL
);
CREATE INDEX tests_now_date ON tests_now (test_date, reading_id);
CREATE INDEX tests_now_meter ON tests_now (meter_uid, test_date);
CREATE INDEX tests_now_tester ON tests_now (tester, test_date);
-- The testers named, for the search box.
CREATE TABLE testers (name TEXT PRIMARY KEY) WITHOUT ROWID;

CREATE TRIGGER readings_listed AFTER INSERT ON readings
BEGIN
    INSERT INTO tests_now (reading_id, test_date, wrong_wiring)
    VALUES (NEW.id, substr(NEW.arrived_at, 1, 10), NEW.wrong_wiring);
END;

CREATE TRIGGER meter_revision_current AFTER INSERT ON meter_revisions
BEGIN
    INSERT OR REPLACE INTO meters_now
    VALUES (NEW.meter_uid, NEW.id, NEW.account_no, NEW.customer, NEW.site, NEW.meter_no,
            NEW.ct_ratio, NEW.pt_ratio,
            NEW.account_no || char(10) || NEW.customer || char(10) || NEW.site || char(10) || NEW.meter_no);
END;

CREATE TRIGGER test_revision_current AFTER INSERT ON test_revisions
BEGIN
    INSERT OR REPLACE INTO tests_now
    SELECT r.id, NEW.id, NEW.meter_uid, NEW.test_date, NEW.tester, NEW.voided, r.wrong_wiring
    FROM readings r WHERE r.uid = NEW.reading_uid;
    INSERT OR IGNORE INTO testers SELECT NEW.tester WHERE NEW.tester <> '';
END;

-- What came from the instrument, and what was said of it, is never changed
-- or removed. (A trigger stops a mistake, not a determined hand: the chain
-- of digests shows where the readings were changed even so.)
CREATE TRIGGER readings_kept BEFORE UPDATE ON readings
BEGIN SELECT RAISE(ABORT, 'readings are never changed'); END;
CREATE TRIGGER readings_never_removed BEFORE DELETE ON readings
BEGIN SELECT RAISE(ABORT, 'readings are never removed'); END;
CREATE TRIGGER read_items_kept BEFORE UPDATE ON read_items
BEGIN SELECT RAISE(ABORT, 'readings are never changed'); END;
CREATE TRIGGER read_items_never_removed BEFORE DELETE ON read_items
BEGIN SELECT RAISE(ABORT, 'readings are never removed'); END;
CREATE TRIGGER reads_kept BEFORE UPDATE OF id, uid, started_at, source, origin, made_by ON reads
BEGIN SELECT RAISE(ABORT, 'reads are never changed'); END;
CREATE TRIGGER reads_never_removed BEFORE DELETE ON reads
BEGIN SELECT RAISE(ABORT, 'reads are never removed'); END;
CREATE TRIGGER meter_revisions_kept BEFORE UPDATE ON meter_revisions
BEGIN SELECT RAISE(ABORT, 'revisions are never changed: add a new one'); END;
CREATE TRIGGER meter_revisions_never_removed BEFORE DELETE ON meter_revisions
BEGIN SELECT RAISE(ABORT, 'revisions are never removed'); END;
CREATE TRIGGER test_revisions_kept BEFORE UPDATE ON test_revisions
BEGIN SELECT RAISE(ABORT, 'revisions are never changed: add a new one'); END;
CREATE TRIGGER test_revisions_never_removed BEFORE DELETE ON test_revisions
BEGIN SELECT RAISE(ABORT, 'revisions are never removed'); END;
