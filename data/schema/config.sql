-- Settings: one string value per key.
CREATE TABLE dict (
    dictId INTEGER PRIMARY KEY AUTOINCREMENT,
    dictName TEXT DEFAULT '',
    dictDesc TEXT DEFAULT '',
    dictValue TEXT DEFAULT '',
    sortNum INTEGER DEFAULT 0
);
