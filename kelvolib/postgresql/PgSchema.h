#pragma once

// The server's schema, as schema.sql beside this file holds it (built in).
extern const char kPostgresSchema[];
// The records of imports (imports.sql), made with the schema and by the upgrade to version 9.
extern const char kPostgresImports[];
// The server's group role, grants and row-level policies (policies.sql);
// KV_GROUP and KV_SCHEMA stand for the office's group role and schema.
extern const char kPostgresPolicies[];
