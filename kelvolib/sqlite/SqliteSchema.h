#pragma once

// The embedded engine's schema, as schema.sql beside this file holds it (built in).
extern const char kSqliteSchema[];
