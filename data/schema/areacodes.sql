-- The telephone area code directory.
CREATE TABLE TelephoneAreas (
    AreaCode    INTEGER,
    Description TEXT,
    Location    TEXT COLLATE NOCASE
);
CREATE INDEX TelephoneAreas_Location ON TelephoneAreas (Location);
