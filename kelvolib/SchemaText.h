#pragma once

// The schema of each engine, as its file in schema/ holds it (built in).
extern const char kSqliteSchema[];
extern const char kPostgresSchema[];
