-- What an office's groupware needs of the server that its administrator is
-- not given: making, changing, disabling and dropping the people's login roles.
-- The server's administrator (a superuser) runs this once in each office's
-- database:
--
--   psql -d DATABASE -v admin=ROLE -f postgresql-setup.sql
--
-- ROLE is the office's administrator: it owns the database, and needs neither
-- CREATEROLE (which on PostgreSQL 15 lets a role grant itself any other role
-- that is no superuser) nor any other right over roles. The role work is done by
-- the functions below, owned by kelvo_setup, a role nobody signs in as and
-- nobody is a member of. Each function touches only the roles of an office whose
-- schema the caller owns in this database, and an office's roles are claimed
-- for it (by a comment on its group role) the first time, so that no other
-- database or schema can reach them. Running this again changes nothing.
\set ON_ERROR_STOP on

SELECT NOT EXISTS (SELECT 1 FROM pg_catalog.pg_roles WHERE rolname = 'kelvo_setup') AS make_setup
\gset
\if :make_setup
CREATE ROLE kelvo_setup NOLOGIN CREATEROLE;
\endif
CREATE SCHEMA IF NOT EXISTS kelvo_setup AUTHORIZATION kelvo_setup;
REVOKE ALL ON SCHEMA kelvo_setup FROM PUBLIC;
GRANT USAGE ON SCHEMA kelvo_setup TO :"admin";

SET ROLE kelvo_setup;

-- A well-formed SCRAM-SHA-256 verifier, as the library makes them: at least
-- PostgreSQL's 4,096 rounds, a salt, and two keys of 32 bytes.
CREATE OR REPLACE FUNCTION kelvo_setup.valid_verifier(verifier text) RETURNS boolean
    LANGUAGE plpgsql IMMUTABLE SET search_path = pg_catalog, pg_temp AS $$
DECLARE
    parts text[] := regexp_match(verifier,
        '^SCRAM-SHA-256\$([0-9]{1,7}):([A-Za-z0-9+/]+=*)\$([A-Za-z0-9+/]+=*):([A-Za-z0-9+/]+=*)$');
BEGIN
    RETURN parts IS NOT NULL AND parts[1]::integer >= 4096
        AND length(decode(parts[2], 'base64')) > 0
        AND length(decode(parts[3], 'base64')) = 32 AND length(decode(parts[4], 'base64')) = 32;
EXCEPTION WHEN OTHERS THEN
    RETURN false; -- base64 that does not decode
END $$;

-- The prefix of an office's roles: 'kv', its tag, '_'. The tag is the
-- library's (PgRoles.h): the first eight hex digits of SHA-256 over the
-- database's name, a NUL and the schema's.
CREATE OR REPLACE FUNCTION kelvo_setup.prefix(schema_name text) RETURNS text
    LANGUAGE sql STABLE SET search_path = pg_catalog, pg_temp AS $$
    SELECT 'kv' || substr(encode(sha256(convert_to(current_database(), 'UTF8') || '\x00'::bytea
        || convert_to(schema_name, 'UTF8')), 'hex'), 1, 8) || '_' $$;

-- The office of schema_name, for the caller who owns that schema: its group
-- role made (or found) and claimed for this database and schema. The prefix.
CREATE OR REPLACE FUNCTION kelvo_setup.claim(schema_name text) RETURNS text
    LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
DECLARE
    prefix text := kelvo_setup.prefix(schema_name);
    office text := 'kelvo office ' || quote_ident(current_database()) || '.'
        || quote_ident(schema_name);
    claimed text;
BEGIN
    IF NOT EXISTS (SELECT 1 FROM pg_namespace n JOIN pg_roles r ON r.oid = n.nspowner
                   WHERE n.nspname = schema_name AND pg_has_role(session_user, r.oid, 'MEMBER'))
    THEN
        RAISE EXCEPTION 'the schema % is not %''s', schema_name, session_user;
    END IF;
    IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = prefix || 'people') THEN
        EXECUTE format('CREATE ROLE %I NOLOGIN', prefix || 'people');
    END IF;
    SELECT shobj_description(oid, 'pg_authid') INTO claimed FROM pg_roles
        WHERE rolname = prefix || 'people';
    IF claimed IS NULL THEN
        EXECUTE format('COMMENT ON ROLE %I IS %L', prefix || 'people', office);
    ELSIF claimed <> office THEN
        RAISE EXCEPTION 'the roles % belong to another groupware (%)', prefix || '*', claimed;
    END IF;
    RETURN prefix;
END $$;

-- Whether role is a person's login role of the office with prefix (a member
-- of its group, no superuser), or, with maybe, a name one may take.
CREATE OR REPLACE FUNCTION kelvo_setup.check_login(prefix text, role text, maybe boolean)
    RETURNS void LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
BEGIN
    IF role !~ ('^' || prefix || '(u_[a-z0-9_]{1,40}|h_[0-9a-f]{40})$') THEN
        RAISE EXCEPTION '% is no login of this office', role;
    END IF;
    IF EXISTS (SELECT 1 FROM pg_roles WHERE rolname = role) THEN
        IF EXISTS (SELECT 1 FROM pg_roles WHERE rolname = role AND (rolsuper OR rolcreaterole))
           OR NOT pg_has_role(role, prefix || 'people', 'MEMBER') THEN
            RAISE EXCEPTION '% is no login of this office', role;
        END IF;
    ELSIF NOT maybe THEN
        RAISE EXCEPTION 'no login %', role;
    END IF;
END $$;

-- Makes role a login of the office of schema_name with the password of
-- verifier (or gives it that password). The verifier never reaches a log:
-- it is a parameter, and a failing statement is reported without its text.
CREATE OR REPLACE FUNCTION kelvo_setup.set_login(schema_name text, role text, verifier text)
    RETURNS void LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
DECLARE
    prefix text := kelvo_setup.claim(schema_name);
BEGIN
    PERFORM kelvo_setup.check_login(prefix, role, true);
    IF NOT kelvo_setup.valid_verifier(verifier) THEN
        RAISE EXCEPTION 'not a password verifier';
    END IF;
    BEGIN
        IF EXISTS (SELECT 1 FROM pg_roles WHERE rolname = role) THEN
            EXECUTE format('ALTER ROLE %I LOGIN PASSWORD %L', role, verifier);
        ELSE
            EXECUTE format('CREATE ROLE %I LOGIN PASSWORD %L IN ROLE %I', role, verifier,
                           prefix || 'people');
        END IF;
    EXCEPTION WHEN OTHERS THEN
        RAISE EXCEPTION 'the login % cannot be set: %', role, SQLERRM;
    END;
END $$;

-- Lets role sign in again, or no longer (a person away); dropped for good.
CREATE OR REPLACE FUNCTION kelvo_setup.enable_login(schema_name text, role text,
    enabled boolean) RETURNS void LANGUAGE plpgsql SECURITY DEFINER
    SET search_path = pg_catalog, pg_temp AS $$
BEGIN
    PERFORM kelvo_setup.check_login(kelvo_setup.claim(schema_name), role, false);
    EXECUTE format('ALTER ROLE %I %s', role, CASE WHEN enabled THEN 'LOGIN' ELSE 'NOLOGIN' END);
END $$;

CREATE OR REPLACE FUNCTION kelvo_setup.drop_login(schema_name text, role text) RETURNS void
    LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
BEGIN
    PERFORM kelvo_setup.check_login(kelvo_setup.claim(schema_name), role, true);
    EXECUTE format('DROP ROLE IF EXISTS %I', role);
END $$;

-- Every login of the office of schema_name (the members of its group).
CREATE OR REPLACE FUNCTION kelvo_setup.logins(schema_name text) RETURNS SETOF text
    LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
DECLARE
    prefix text := kelvo_setup.claim(schema_name);
BEGIN
    RETURN QUERY SELECT r.rolname::text FROM pg_auth_members m
        JOIN pg_roles r ON r.oid = m.member JOIN pg_roles g ON g.oid = m.roleid
        WHERE g.rolname = prefix || 'people' ORDER BY 1;
END $$;

-- The signed-in person's own password, given the verifier of a new one: what
-- the office's kv_set_password calls after it proved who the caller is.
CREATE OR REPLACE FUNCTION kelvo_setup.own_password(schema_name text, verifier text)
    RETURNS void LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
BEGIN
    PERFORM kelvo_setup.check_login(kelvo_setup.prefix(schema_name), session_user, false);
    IF NOT kelvo_setup.valid_verifier(verifier) THEN
        RAISE EXCEPTION 'not a password verifier';
    END IF;
    BEGIN
        EXECUTE format('ALTER ROLE %I PASSWORD %L', session_user, verifier);
    EXCEPTION WHEN OTHERS THEN
        RAISE EXCEPTION 'the password of % cannot be set: %', session_user, SQLERRM;
    END;
END $$;

RESET ROLE;
REVOKE ALL ON ALL FUNCTIONS IN SCHEMA kelvo_setup FROM PUBLIC;
GRANT EXECUTE ON FUNCTION kelvo_setup.valid_verifier(text), kelvo_setup.claim(text),
    kelvo_setup.set_login(text, text, text), kelvo_setup.enable_login(text, text, boolean),
    kelvo_setup.drop_login(text, text), kelvo_setup.logins(text),
    kelvo_setup.own_password(text, text) TO :"admin";
