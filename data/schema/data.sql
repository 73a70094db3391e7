-- Playlists and their tracks. Track times are whole seconds; 0 and 0 mean the whole file.
CREATE TABLE MediaLibrary (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    name TEXT NOT NULL DEFAULT '',
    sortNum INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE Media (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    libraryId INTEGER NOT NULL DEFAULT 0,
    name TEXT NOT NULL DEFAULT '',
    path TEXT NOT NULL DEFAULT '',
    startPos INTEGER NOT NULL DEFAULT 0,
    endPos INTEGER NOT NULL DEFAULT 0,
    album TEXT NOT NULL DEFAULT '',
    author TEXT NOT NULL DEFAULT '',
    sortNum INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX MediaByLibrary ON Media (libraryId, sortNum);
