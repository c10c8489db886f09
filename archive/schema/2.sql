-- Reports kept with their tests, and what has been sent where.

-- A report written from the archive, kept byte for byte, so that what the
-- customer was given can be shown again.
CREATE TABLE reports (
    id          INTEGER PRIMARY KEY,
    uid         TEXT NOT NULL UNIQUE,
    made_at     TEXT NOT NULL,
    made_by     TEXT NOT NULL,
    file_name   TEXT NOT NULL,
    sha256      TEXT NOT NULL,
    pdf         BLOB NOT NULL
);
CREATE TABLE report_tests (
    report_id   INTEGER NOT NULL REFERENCES reports (id),
    reading_uid TEXT NOT NULL,
    page        INTEGER NOT NULL,
    PRIMARY KEY (report_id, page)
) WITHOUT ROWID;
CREATE INDEX report_tests_reading ON report_tests (reading_uid);

CREATE TRIGGER reports_kept BEFORE UPDATE ON reports
BEGIN SELECT RAISE(ABORT, 'reports are never changed'); END;
CREATE TRIGGER reports_never_removed BEFORE DELETE ON reports
BEGIN SELECT RAISE(ABORT, 'reports are never removed'); END;
CREATE TRIGGER report_tests_kept BEFORE UPDATE ON report_tests
BEGIN SELECT RAISE(ABORT, 'reports are never changed'); END;
CREATE TRIGGER report_tests_never_removed BEFORE DELETE ON report_tests
BEGIN SELECT RAISE(ABORT, 'reports are never removed'); END;

-- Every table here only grows, so what a server has been sent is the
-- highest row id of each table it has taken.
CREATE TABLE sent (
    server      TEXT NOT NULL,              -- the server's identity
    table_name  TEXT NOT NULL,
    last_id     INTEGER NOT NULL,
    PRIMARY KEY (server, table_name)
) WITHOUT ROWID;
