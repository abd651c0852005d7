-- The contact table of every list file. Text columns compare without regard to
-- case, as lists always have; the program supplies a NOCASE that folds all letters.
CREATE TABLE pName2 (
    pName       TEXT COLLATE NOCASE,
    CompanyName TEXT COLLATE NOCASE,
    pAddress    TEXT COLLATE NOCASE,
    pAddress2   TEXT COLLATE NOCASE,
    pCity       TEXT COLLATE NOCASE,
    pState      TEXT COLLATE NOCASE,
    pZip        TEXT COLLATE NOCASE,
    pPhone      TEXT COLLATE NOCASE,
    pCoPhone    TEXT COLLATE NOCASE,
    pFax        TEXT COLLATE NOCASE,
    pEmail      TEXT COLLATE NOCASE,
    pNotes      TEXT COLLATE NOCASE
);
-- Choosing an entry looks contacts up by person or company name.
CREATE INDEX pName2_pName ON pName2 (pName);
CREATE INDEX pName2_CompanyName ON pName2 (CompanyName);
