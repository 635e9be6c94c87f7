#pragma once

#include <QSqlDatabase>

// The schema's history: ordered migrations, each applied in its own transaction, with the
// version reached kept in the table schema_version. SQLite and PostgreSQL get the same tables;
// only the column types differ where their SQL does (see SqlDialect).
//   1: languages, translations (unique index on MATCHKEY), version_record; seeds the languages
//      and the single version row.
//   2: languages.SORTORDER, so the list keeps its order independent of the storage's row ids.
//   3: translations.FORMKEY (see formKey) with an index on it, so GetFormRows found a form's rows
//      without reading the table; filled in for the rows already stored.
//   4: translations.PROGRAMKEY (see programKey) with an index on it and ID, so each page of
//      GetProgramRows is one range of the index; filled in for the rows already stored. FORMKEY
//      and its index go, as GetFormRows has.

int latestSchemaVersion();

// The version the database is at; 0 for an empty database.
int schemaVersion(const QSqlDatabase& db);

// Applies the migrations above the database's version up to targetVersion. Safe when several
// processes start on one new database at once: each step takes the write lock (see SqlDialect)
// and re-reads the version inside its transaction. Throws StorageError.
void migrate(const QSqlDatabase& db, int targetVersion);
