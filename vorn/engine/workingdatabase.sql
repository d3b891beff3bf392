-- The empty working file: every model keeps its modules, their values and
-- their outgoing connections in these three tables. Text columns compare
-- without regard to case, as names in working files always have, so that
-- "Gain" and "gain" name the same value of a module.
CREATE TABLE Modules (
  ID INTEGER,
  Type TEXT COLLATE NOCASE,
  Name TEXT COLLATE NOCASE,
  Processor TEXT COLLATE NOCASE
);
CREATE TABLE ModuleValues (
  ModuleID INTEGER,
  VariableName TEXT COLLATE NOCASE,
  "Index" INTEGER,
  Value TEXT
);
CREATE TABLE Connections (
  SrcModule INTEGER,
  SrcOutput TEXT COLLATE NOCASE,
  DestModule INTEGER,
  DestInput TEXT COLLATE NOCASE
);
CREATE INDEX ModulesByID ON Modules (ID);
CREATE INDEX ModuleValuesByName ON ModuleValues (ModuleID, VariableName);
CREATE INDEX ConnectionsBySource ON Connections (SrcModule);
CREATE INDEX ConnectionsByDestination ON Connections (DestModule);
