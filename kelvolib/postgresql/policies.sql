-- Who may see and do what on the office server. Each person signs in as a
-- login role of their own, a member of the office's group role (KV_GROUP
-- below; KV_SCHEMA is the groupware's schema). The administrator role owns the
-- tables and is not bound by the policies. Run inside the transaction that
-- creates or upgrades the schema; every statement may run again.

-- Who is signed in, as a user name and as a schedule owner. The search path is
-- fixed so that no temporary table of the caller's can stand in for ours.
CREATE OR REPLACE FUNCTION KV_SCHEMA.kv_me() RETURNS bytea LANGUAGE sql STABLE
    SET search_path = KV_SCHEMA, pg_temp
    AS $$ SELECT name FROM users WHERE role_name = current_user $$;
CREATE OR REPLACE FUNCTION KV_SCHEMA.kv_my_owner() RETURNS bigint LANGUAGE sql STABLE
    SET search_path = KV_SCHEMA, pg_temp
    AS $$ SELECT o.id FROM owners o JOIN users u ON u.name = o.name
          WHERE u.role_name = current_user $$;
-- A person who proved their password (by signing in) sets a new verifier:
-- their role's password and the copy kept for moving the groupware.
CREATE OR REPLACE FUNCTION KV_SCHEMA.kv_set_password(verifier text) RETURNS void
    LANGUAGE plpgsql SECURITY DEFINER SET search_path = KV_SCHEMA, pg_temp AS $$
BEGIN
    IF verifier !~ '^SCRAM-SHA-256\$[0-9]+:[A-Za-z0-9+/=]+\$[A-Za-z0-9+/=]+:[A-Za-z0-9+/=]+$' THEN
        RAISE EXCEPTION 'not a password verifier';
    END IF;
    UPDATE users SET password = convert_to(verifier, 'UTF8') WHERE role_name = session_user;
    IF NOT FOUND THEN
        RAISE EXCEPTION 'no groupware user signs in as %', session_user;
    END IF;
    EXECUTE format('ALTER ROLE %I PASSWORD %L', session_user, verifier);
END $$;
REVOKE ALL ON FUNCTION KV_SCHEMA.kv_set_password(text) FROM PUBLIC;
GRANT EXECUTE ON FUNCTION KV_SCHEMA.kv_set_password(text) TO KV_GROUP;

GRANT USAGE ON SCHEMA KV_SCHEMA TO KV_GROUP;
GRANT SELECT ON kv_meta, owners, address_categories, board TO KV_GROUP;
-- The user list without the verifiers.
GRANT SELECT (id, name, reading, g0, g1, g2, g3, g4, g5, g6, g7, g8, g9, role_name)
    ON users TO KV_GROUP;
GRANT SELECT, INSERT, UPDATE ON schedules, addresses, kv_changes TO KV_GROUP;
GRANT INSERT ON owners, address_categories TO KV_GROUP;
GRANT USAGE ON SEQUENCE kv_ids_schedules, kv_ids_addresses TO KV_GROUP;
GRANT USAGE ON SEQUENCE owners_id_seq, address_categories_id_seq TO KV_GROUP;

-- Schedules: one's own and the public ones are read; only one's own are written.
ALTER TABLE schedules ENABLE ROW LEVEL SECURITY;
DROP POLICY IF EXISTS kv_read ON schedules;
DROP POLICY IF EXISTS kv_add ON schedules;
DROP POLICY IF EXISTS kv_change ON schedules;
CREATE POLICY kv_read ON schedules FOR SELECT TO KV_GROUP
    USING (owner_id = (SELECT kv_my_owner()) OR public <> 0);
CREATE POLICY kv_add ON schedules FOR INSERT TO KV_GROUP
    WITH CHECK (owner_id = (SELECT kv_my_owner()));
CREATE POLICY kv_change ON schedules FOR UPDATE TO KV_GROUP
    USING (owner_id = (SELECT kv_my_owner())) WITH CHECK (owner_id = (SELECT kv_my_owner()));

-- Addresses: one's own and the public ones (no owner), read and written.
ALTER TABLE addresses ENABLE ROW LEVEL SECURITY;
DROP POLICY IF EXISTS kv_own ON addresses;
CREATE POLICY kv_own ON addresses FOR ALL TO KV_GROUP
    USING (owner = (SELECT kv_me()) OR owner = '\x'::bytea)
    WITH CHECK (owner = (SELECT kv_me()) OR owner = '\x'::bytea);

-- The change counts of what one may write.
ALTER TABLE kv_changes ENABLE ROW LEVEL SECURITY;
DROP POLICY IF EXISTS kv_own ON kv_changes;
CREATE POLICY kv_own ON kv_changes FOR ALL TO KV_GROUP
    USING (owner = (SELECT kv_me()) OR owner = '\x'::bytea)
    WITH CHECK (owner = (SELECT kv_me()) OR owner = '\x'::bytea);

-- Schedule owners: every one is read, only one's own is made.
ALTER TABLE owners ENABLE ROW LEVEL SECURITY;
DROP POLICY IF EXISTS kv_read ON owners;
DROP POLICY IF EXISTS kv_add ON owners;
CREATE POLICY kv_read ON owners FOR SELECT TO KV_GROUP USING (true);
CREATE POLICY kv_add ON owners FOR INSERT TO KV_GROUP WITH CHECK (name = (SELECT kv_me()));
