-- Playlists and their tracks. Track times are whole seconds; 0 and 0 mean the whole file.
CREATE TABLE MediaLibrary (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    name TEXT DEFAULT '',
    sortNum INTEGER DEFAULT 0
);
CREATE TABLE Media (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    libraryId INTEGER DEFAULT 0,
    name TEXT DEFAULT '',
    path TEXT DEFAULT '',
    startPos INTEGER DEFAULT 0,
    endPos INTEGER DEFAULT 0,
    album TEXT DEFAULT '',
    author TEXT DEFAULT '',
    sortNum INTEGER DEFAULT 0
);
CREATE INDEX MediaByLibrary ON Media (libraryId, sortNum);
