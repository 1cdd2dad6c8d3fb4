#pragma once

// The schema of each engine, as its folder's .sql files hold them (built in).
extern const char kSqliteSchema[];
extern const char kPostgresSchema[];
// The server's group role, grants and row-level policies; KV_GROUP and
// KV_SCHEMA stand for the office's group role and schema.
extern const char kPostgresPolicies[];
