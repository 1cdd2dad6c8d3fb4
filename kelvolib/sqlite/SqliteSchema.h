#pragma once

// The embedded engine's schema, as schema.sql beside this file holds it (built in).
extern const char kSqliteSchema[];
// The records of imports (imports.sql), made with the schema and by the upgrade to version 9.
extern const char kSqliteImports[];
