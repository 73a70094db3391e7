-- Settings: one string value per key.
CREATE TABLE dict (
    dictId INTEGER PRIMARY KEY AUTOINCREMENT,
    dictName TEXT NOT NULL DEFAULT '',
    dictDesc TEXT NOT NULL DEFAULT '',
    dictValue TEXT NOT NULL DEFAULT '',
    sortNum INTEGER NOT NULL DEFAULT 0
);
