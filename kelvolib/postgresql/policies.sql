-- Who may see and do what on the office server. Each person signs in as a
-- login role of their own, a member of the office's group role (KV_GROUP
-- below; KV_SCHEMA is the groupware's schema, KV_SCHEMA_LITERAL its name as a
-- text). The administrator role owns the tables and is not bound by the
-- policies. A person reads and writes what is theirs and what is shared, only
-- while they are a current user of the groupware, and only in the ways the
-- groupware writes: entries are added, their owners reserved, counted and
-- locked through the functions below, so that no person can take what another
-- writes with. Run inside the transaction that creates or upgrades the
-- schema; every statement may run again.

-- Who is signed in, as a user name and as a schedule owner: null for a role
-- that is no current user (removed, disabled). Definer functions, so that the
-- users table's own policy can use them; the search path is fixed so that no
-- temporary table of the caller's can stand in for ours.
CREATE OR REPLACE FUNCTION KV_SCHEMA.kv_me() RETURNS bytea LANGUAGE sql STABLE
    SECURITY DEFINER SET search_path = KV_SCHEMA, pg_temp
    AS $$ SELECT name FROM users WHERE role_name = session_user AND disabled = 0 $$;
CREATE OR REPLACE FUNCTION KV_SCHEMA.kv_my_owner() RETURNS bigint LANGUAGE sql STABLE
    SECURITY DEFINER SET search_path = KV_SCHEMA, pg_temp
    AS $$ SELECT o.id FROM owners o JOIN users u ON u.name = o.name
          WHERE u.role_name = session_user AND u.disabled = 0 $$;
-- Whether the session is the groupware's administrator's (the schema's owner).
CREATE OR REPLACE FUNCTION KV_SCHEMA.kv_is_admin() RETURNS boolean LANGUAGE sql STABLE
    SET search_path = KV_SCHEMA, pg_temp
    AS $$ SELECT pg_has_role(session_user, nspowner, 'MEMBER') FROM pg_namespace
          WHERE nspname = KV_SCHEMA_LITERAL $$;
-- Refuses a write of owner's entries of kind by a person who may not make it:
-- one's own entries, and the public address book.
CREATE OR REPLACE FUNCTION KV_SCHEMA.kv_check_writer(p_kind text, p_owner bytea) RETURNS void
    LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = KV_SCHEMA, pg_temp AS $$
DECLARE
    me bytea := kv_me();
BEGIN
    IF kv_is_admin() THEN
        RETURN;
    END IF;
    IF me IS NULL THEN
        RAISE EXCEPTION 'no groupware user signs in as %', session_user;
    END IF;
    IF NOT (p_owner = me OR (p_kind = 'addresses' AND p_owner = '\x'::bytea)) THEN
        RAISE EXCEPTION 'the entries of someone else cannot be written';
    END IF;
END $$;

-- The lock of owner's entries of kind for the writer's transaction (the row
-- of their change count), and the count of a batch that wrote them: only
-- ever up by one.
CREATE OR REPLACE FUNCTION KV_SCHEMA.kv_lock(p_kind text, p_owner bytea) RETURNS void
    LANGUAGE plpgsql SECURITY DEFINER SET search_path = KV_SCHEMA, pg_temp AS $$
BEGIN
    PERFORM kv_check_writer(p_kind, p_owner);
    INSERT INTO kv_changes(kind, owner, version) VALUES (p_kind, p_owner, 0)
        ON CONFLICT DO NOTHING;
    PERFORM 1 FROM kv_changes WHERE kind = p_kind AND owner = p_owner FOR UPDATE;
END $$;
CREATE OR REPLACE FUNCTION KV_SCHEMA.kv_count_changes(p_kind text, p_owner bytea,
    p_moved integer) RETURNS void
    LANGUAGE plpgsql SECURITY DEFINER SET search_path = KV_SCHEMA, pg_temp AS $$
BEGIN
    PERFORM kv_check_writer(p_kind, p_owner);
    INSERT INTO kv_changes(kind, owner, version, moved)
        VALUES (p_kind, p_owner, 1, CASE WHEN p_moved <> 0 THEN 1 ELSE 0 END)
        ON CONFLICT (kind, owner) DO UPDATE SET version = kv_changes.version + 1,
        moved = kv_changes.moved + CASE WHEN p_moved <> 0 THEN 1 ELSE 0 END;
END $$;

-- A block of 65,536 IDs for a writer's new entries of a table, recorded as
-- theirs: a person's entries are added only with IDs from their own blocks.
CREATE OR REPLACE FUNCTION KV_SCHEMA.kv_reserve_ids(p_table text) RETURNS bigint
    LANGUAGE plpgsql SECURITY DEFINER SET search_path = KV_SCHEMA, pg_temp AS $$
DECLARE
    first bigint;
BEGIN
    IF p_table NOT IN ('schedules', 'addresses') THEN
        RAISE EXCEPTION 'no IDs of %', p_table;
    END IF;
    IF NOT kv_is_admin() AND kv_me() IS NULL THEN
        RAISE EXCEPTION 'no groupware user signs in as %', session_user;
    END IF;
    first := nextval('kv_ids_' || p_table);
    INSERT INTO kv_id_blocks(tab, first, role_name) VALUES (p_table, first, session_user);
    RETURN first;
END $$;
-- Whether every ID of ids lies in a block the session reserved for p_table.
CREATE OR REPLACE FUNCTION KV_SCHEMA.kv_own_ids(p_table text, ids bigint[]) RETURNS boolean
    LANGUAGE sql STABLE SET search_path = KV_SCHEMA, pg_temp AS $$
    SELECT NOT EXISTS (SELECT 1 FROM (SELECT DISTINCT id - ((id - 1) % 65536) AS first
                                      FROM unnest(ids) AS id) b
        WHERE NOT EXISTS (SELECT 1 FROM kv_id_blocks k WHERE k.tab = p_table
                          AND k.first = b.first AND k.role_name = session_user)) $$;

-- A person's new entries, as the library gathers them (PgRowBatch.h): the
-- server takes no COPY into a table with row policies. Checked as a whole:
-- every entry the person's own (or, for addresses, public), every ID from
-- the person's blocks.
CREATE OR REPLACE FUNCTION KV_SCHEMA.kv_add_addresses(rows KV_SCHEMA.addresses[]) RETURNS void
    LANGUAGE plpgsql SECURITY DEFINER SET search_path = KV_SCHEMA, pg_temp AS $$
DECLARE
    me bytea := kv_me();
BEGIN
    IF me IS NULL THEN
        RAISE EXCEPTION 'no groupware user signs in as %', session_user;
    END IF;
    IF EXISTS (SELECT 1 FROM unnest(rows) r WHERE r.owner <> me AND r.owner <> '\x'::bytea) THEN
        RAISE EXCEPTION 'the entries of someone else cannot be written';
    END IF;
    IF NOT kv_own_ids('addresses', ARRAY(SELECT r.id FROM unnest(rows) r)) THEN
        RAISE EXCEPTION 'an entry''s ID must come from a block its writer reserved';
    END IF;
    INSERT INTO addresses SELECT * FROM unnest(rows);
END $$;
CREATE OR REPLACE FUNCTION KV_SCHEMA.kv_add_schedules(rows KV_SCHEMA.schedules[]) RETURNS void
    LANGUAGE plpgsql SECURITY DEFINER SET search_path = KV_SCHEMA, pg_temp AS $$
DECLARE
    mine bigint := kv_my_owner();
BEGIN
    IF mine IS NULL OR EXISTS (SELECT 1 FROM unnest(rows) r WHERE r.owner_id <> mine) THEN
        RAISE EXCEPTION 'the entries of someone else cannot be written';
    END IF;
    IF NOT kv_own_ids('schedules', ARRAY(SELECT r.id FROM unnest(rows) r)) THEN
        RAISE EXCEPTION 'an entry''s ID must come from a block its writer reserved';
    END IF;
    INSERT INTO schedules SELECT * FROM unnest(rows);
END $$;

-- A recurring series imported again replaces its occurrences: the writer's
-- own (or, for the administrator, anyone's) entries of the series go first.
CREATE OR REPLACE FUNCTION KV_SCHEMA.kv_drop_series(p_owner bytea, p_series bytea) RETURNS void
    LANGUAGE plpgsql SECURITY DEFINER SET search_path = KV_SCHEMA, pg_temp AS $$
BEGIN
    PERFORM kv_check_writer('schedules', p_owner);
    DELETE FROM schedules s USING owners o
        WHERE o.name = p_owner AND s.owner_id = o.id AND s.series = p_series AND p_series <> '';
END $$;

-- An entry keeps its owner and its ID, whoever else updates it: a public
-- address stays public, a private one its owner's. After the row, not
-- before: a trigger before it costs every update a second read of the row.
CREATE OR REPLACE FUNCTION KV_SCHEMA.kv_keep_entry() RETURNS trigger LANGUAGE plpgsql
    SET search_path = KV_SCHEMA, pg_temp AS $$
BEGIN
    IF NOT kv_is_admin() THEN
        RAISE EXCEPTION 'an entry''s owner and ID do not change';
    END IF;
    RETURN NEW;
END $$;
DROP TRIGGER IF EXISTS kv_keep_entry ON addresses;
CREATE TRIGGER kv_keep_entry AFTER UPDATE ON addresses FOR EACH ROW
    WHEN (OLD.owner IS DISTINCT FROM NEW.owner OR OLD.id IS DISTINCT FROM NEW.id)
    EXECUTE FUNCTION KV_SCHEMA.kv_keep_entry();
DROP TRIGGER IF EXISTS kv_keep_entry ON schedules;
CREATE TRIGGER kv_keep_entry AFTER UPDATE ON schedules FOR EACH ROW
    WHEN (OLD.owner_id IS DISTINCT FROM NEW.owner_id OR OLD.id IS DISTINCT FROM NEW.id)
    EXECUTE FUNCTION KV_SCHEMA.kv_keep_entry();

-- A person who proved their password (by signing in) sets a new verifier:
-- their role's password and the copy kept for moving the groupware. The
-- verifier comes as a parameter, never in a statement's text.
CREATE OR REPLACE FUNCTION KV_SCHEMA.kv_set_password(verifier text) RETURNS void
    LANGUAGE plpgsql SECURITY DEFINER SET search_path = KV_SCHEMA, pg_temp AS $$
BEGIN
    IF NOT kelvo_setup.valid_verifier(verifier) THEN
        RAISE EXCEPTION 'not a password verifier';
    END IF;
    UPDATE users SET password = convert_to(verifier, 'UTF8')
        WHERE role_name = session_user AND disabled = 0;
    IF NOT FOUND THEN
        RAISE EXCEPTION 'no groupware user signs in as %', session_user;
    END IF;
    PERFORM kelvo_setup.own_password(KV_SCHEMA_LITERAL, verifier);
END $$;
-- The copy of a person's verifier kept in step with the password they signed
-- in with (a role may change its own password behind the groupware's back):
-- the rounds and salt of the copy, and the verifier of the typed password made
-- with them, stored when it differs.
CREATE OR REPLACE FUNCTION KV_SCHEMA.kv_password_salt() RETURNS text LANGUAGE sql STABLE
    SECURITY DEFINER SET search_path = KV_SCHEMA, pg_temp
    AS $$ SELECT split_part(convert_from(password, 'UTF8'), '$', 2) FROM users
          WHERE role_name = session_user AND disabled = 0 $$;
CREATE OR REPLACE FUNCTION KV_SCHEMA.kv_password_in_step(verifier text) RETURNS void
    LANGUAGE sql SECURITY DEFINER SET search_path = KV_SCHEMA, pg_temp
    AS $$ UPDATE users SET password = convert_to(verifier, 'UTF8')
          WHERE role_name = session_user AND disabled = 0
          AND password <> convert_to(verifier, 'UTF8') AND kelvo_setup.valid_verifier(verifier) $$;

-- The records of imports (imports.sql): a person begins, fills and ends only
-- their own, under their own name; the administrator any. What a replaced or
-- removed entry was is copied here, only of entries the caller may write.
CREATE OR REPLACE FUNCTION KV_SCHEMA.kv_begin_import(p_user bytea, p_owner bytea, p_kind text,
    p_started bigint, p_file bytea, p_size bigint, p_hash text, p_form text, p_options text)
    RETURNS bigint LANGUAGE plpgsql SECURITY DEFINER SET search_path = KV_SCHEMA, pg_temp AS $$
DECLARE
    who bytea := p_user;
    number bigint;
BEGIN
    IF p_kind NOT IN ('addresses', 'schedules') THEN
        RAISE EXCEPTION 'no imports of %', p_kind;
    END IF;
    PERFORM kv_check_writer(p_kind, p_owner);
    IF NOT kv_is_admin() THEN
        who := kv_me();
    END IF;
    INSERT INTO imports(user_name, owner, kind, started, file, size, hash, form, options)
        VALUES (who, p_owner, p_kind, p_started, p_file, p_size, p_hash, p_form, p_options)
        RETURNING id INTO number;
    RETURN number;
END $$;
-- Refuses a write to import p_import unless it is under way and the caller's.
CREATE OR REPLACE FUNCTION KV_SCHEMA.kv_my_import(p_import bigint) RETURNS void
    LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = KV_SCHEMA, pg_temp AS $$
BEGIN
    IF NOT EXISTS (SELECT 1 FROM imports WHERE id = p_import AND ended = 0 AND undone = 0
                   AND (kv_is_admin() OR user_name = kv_me())) THEN
        RAISE EXCEPTION 'import % is not under way for %', p_import, session_user;
    END IF;
END $$;
CREATE OR REPLACE FUNCTION KV_SCHEMA.kv_record_import_entries(p_import bigint, p_action bigint,
    p_ids text) RETURNS void
    LANGUAGE plpgsql SECURITY DEFINER SET search_path = KV_SCHEMA, pg_temp AS $$
BEGIN
    PERFORM kv_my_import(p_import);
    IF p_action NOT IN (1, 2, 3) THEN
        RAISE EXCEPTION 'no action %', p_action;
    END IF;
    INSERT INTO import_entries(import_id, action, entry_id, last_id)
        SELECT p_import, p_action, (e ->> 0)::bigint, (e ->> 1)::bigint
        FROM jsonb_array_elements(p_ids::jsonb) e WHERE (e ->> 0)::bigint <= (e ->> 1)::bigint
        ON CONFLICT DO NOTHING;
END $$;
CREATE OR REPLACE FUNCTION KV_SCHEMA.kv_keep_address_before(p_import bigint, p_id bigint)
    RETURNS void LANGUAGE plpgsql SECURITY DEFINER SET search_path = KV_SCHEMA, pg_temp AS $$
DECLARE
    found_owner bytea;
BEGIN
    PERFORM kv_my_import(p_import);
    SELECT owner INTO found_owner FROM addresses WHERE id = p_id;
    IF found_owner IS NULL THEN
        RETURN;
    END IF;
    PERFORM kv_check_writer('addresses', found_owner);
    INSERT INTO import_addresses(import_id, id, owner, category, title, last_name, last_name_reading, first_name,
        name_reading, company, business_phone, business_phone_2, business_fax, email,
        business_postal_code, business_prefecture, business_city, business_street,
        home_phone, home_phone_2, mobile_phone, home_fax, email_2, web_page,
        home_prefecture, home_city, home_street, memo, changed, original)
        SELECT p_import, id, owner, category, title, last_name, last_name_reading, first_name,
            name_reading, company, business_phone, business_phone_2, business_fax, email,
            business_postal_code, business_prefecture, business_city, business_street,
            home_phone, home_phone_2, mobile_phone, home_fax, email_2, web_page,
            home_prefecture, home_city, home_street, memo, changed, original
        FROM addresses WHERE id = p_id ON CONFLICT DO NOTHING;
END $$;
CREATE OR REPLACE FUNCTION KV_SCHEMA.kv_keep_schedule_before(p_import bigint, p_owner_id bigint,
    p_start bytea, p_id bigint)
    RETURNS void LANGUAGE plpgsql SECURITY DEFINER SET search_path = KV_SCHEMA, pg_temp AS $$
BEGIN
    PERFORM kv_my_import(p_import);
    PERFORM kv_check_writer('schedules', (SELECT name FROM owners WHERE id = p_owner_id));
    INSERT INTO import_schedules(import_id, id, owner_id, title, place, start_time, end_time, all_day, public, alarm_lead,
        comment, changed, original, series)
        SELECT p_import, id, owner_id, title, place, start_time, end_time, all_day, public, alarm_lead,
            comment, changed, original, series
        FROM schedules WHERE owner_id = p_owner_id AND start_time = p_start AND id = p_id
        ON CONFLICT DO NOTHING;
END $$;
CREATE OR REPLACE FUNCTION KV_SCHEMA.kv_keep_series_before(p_import bigint, p_owner bytea,
    p_series bytea)
    RETURNS void LANGUAGE plpgsql SECURITY DEFINER SET search_path = KV_SCHEMA, pg_temp AS $$
BEGIN
    PERFORM kv_my_import(p_import);
    PERFORM kv_check_writer('schedules', p_owner);
    INSERT INTO import_schedules(import_id, id, owner_id, title, place, start_time, end_time, all_day, public, alarm_lead,
        comment, changed, original, series)
        SELECT p_import, s.id, s.owner_id, s.title, s.place, s.start_time, s.end_time, s.all_day,
            s.public, s.alarm_lead, s.comment, s.changed, s.original, s.series
        FROM schedules s JOIN owners o ON o.id = s.owner_id
        WHERE o.name = p_owner AND s.series = p_series AND p_series <> '' ON CONFLICT DO NOTHING;
    INSERT INTO import_entries(import_id, action, entry_id, last_id)
        SELECT p_import, 3, s.id, s.id FROM schedules s JOIN owners o ON o.id = s.owner_id
        WHERE o.name = p_owner AND s.series = p_series AND p_series <> '' ON CONFLICT DO NOTHING;
END $$;
CREATE OR REPLACE FUNCTION KV_SCHEMA.kv_record_import_skip(p_import bigint, p_line bigint,
    p_reason bytea) RETURNS void
    LANGUAGE plpgsql SECURITY DEFINER SET search_path = KV_SCHEMA, pg_temp AS $$
BEGIN
    PERFORM kv_my_import(p_import);
    INSERT INTO import_skips(import_id, line, reason) VALUES (p_import, p_line, p_reason)
        ON CONFLICT DO NOTHING;
END $$;
CREATE OR REPLACE FUNCTION KV_SCHEMA.kv_end_import(p_import bigint, p_skipped bigint,
    p_ended bigint)
    RETURNS void LANGUAGE plpgsql SECURITY DEFINER SET search_path = KV_SCHEMA, pg_temp AS $$
BEGIN
    PERFORM kv_my_import(p_import);
    UPDATE imports SET skipped = p_skipped, ended = p_ended WHERE id = p_import;
END $$;
-- Takes import p_import back: the person who ran it (or the administrator),
-- and only the entries of the import's owner. o_removed is -1, with nothing
-- done, where a later import not taken back replaced or removed entries of
-- this one and p_force is false; o_ids names those entries. The tables and
-- their columns are the function's own, never the caller's.
CREATE OR REPLACE FUNCTION KV_SCHEMA.kv_undo_import(p_import bigint, p_force boolean,
    OUT o_removed bigint, OUT o_restored bigint, OUT o_ids text)
    LANGUAGE plpgsql SECURITY DEFINER SET search_path = KV_SCHEMA, pg_temp AS $$
DECLARE
    rec imports%ROWTYPE;
    changed bigint[];
    mine text;
    added text := 'EXISTS (SELECT 1 FROM import_entries e WHERE e.import_id = $1 AND '
                  'e.action = 1 AND %s BETWEEN e.entry_id AND e.last_id)';
    columns text;
BEGIN
    SELECT * INTO rec FROM imports WHERE id = p_import FOR UPDATE;
    IF NOT FOUND OR NOT (kv_is_admin() OR rec.user_name = kv_me()) THEN
        RAISE EXCEPTION 'there is no such import';
    END IF;
    IF rec.undone <> 0 THEN
        RAISE EXCEPTION 'it was taken back before';
    END IF;
    PERFORM kv_lock(rec.kind, rec.owner);
    SELECT coalesce(array_agg(DISTINCT g ORDER BY g), '{}') INTO changed
        FROM import_entries e
        JOIN import_entries l ON l.entry_id <= e.last_id AND e.entry_id <= l.last_id
        JOIN imports li ON li.id = l.import_id
        CROSS JOIN LATERAL generate_series(greatest(e.entry_id, l.entry_id),
                                           least(e.last_id, l.last_id)) g
        WHERE e.import_id = p_import AND l.import_id > p_import AND l.action IN (2, 3)
          AND li.undone = 0 AND li.kind = rec.kind;
    o_ids := array_to_string(changed, ',');
    o_restored := 0;
    IF cardinality(changed) > 0 AND NOT p_force THEN
        o_removed := -1;
        RETURN;
    END IF;
    mine := CASE rec.kind WHEN 'addresses' THEN 'owner = $2'
            ELSE 'owner_id = (SELECT id FROM owners WHERE name = $2)' END;
    SELECT string_agg(quote_ident(attname), ', ' ORDER BY attnum) INTO columns
        FROM pg_attribute WHERE attrelid = rec.kind::regclass AND attnum > 0 AND NOT attisdropped;
    -- The added entries go; a replaced or removed one is put back as it was
    -- (one the import added and then replaced itself only goes).
    EXECUTE format('DELETE FROM %I t WHERE t.%s AND ' || added || ' AND NOT t.id = ANY($3)',
                   rec.kind, mine, 't.id') USING p_import, rec.owner, changed;
    GET DIAGNOSTICS o_removed = ROW_COUNT;
    EXECUTE format('DELETE FROM %I t WHERE t.%s AND t.id IN (SELECT b.id FROM %I b WHERE '
                   'b.import_id = $1) AND NOT ' || added || ' AND NOT t.id = ANY($3)',
                   rec.kind, mine, 'import_' || rec.kind, 't.id') USING p_import, rec.owner, changed;
    EXECUTE format('INSERT INTO %I(%s) SELECT %s FROM %I b WHERE b.import_id = $1 AND b.%s AND '
                   'NOT ' || added || ' AND NOT b.id = ANY($3)',
                   rec.kind, columns, columns, 'import_' || rec.kind, mine, 'b.id')
        USING p_import, rec.owner, changed;
    GET DIAGNOSTICS o_restored = ROW_COUNT;
    UPDATE imports SET undone = extract(epoch FROM now())::bigint WHERE id = p_import;
    PERFORM kv_count_changes(rec.kind, rec.owner, 1);
END $$;

-- A person removes their own entries of p_kind by ID ("1,2,3"), recorded
-- like an import (form 'delete') so that kv_undo_import puts them back; IDs
-- of anyone else's entries remove nothing. o_import: the record's number, 0
-- when nothing was removed.
CREATE OR REPLACE FUNCTION KV_SCHEMA.kv_remove_entries(p_kind text, p_ids text,
    OUT o_removed bigint, OUT o_import bigint)
    LANGUAGE plpgsql SECURITY DEFINER SET search_path = KV_SCHEMA, pg_temp AS $$
DECLARE
    me bytea := kv_me();
    ids bigint[] := string_to_array(p_ids, ',')::bigint[];
    mine text;
    columns text;
BEGIN
    IF p_kind NOT IN ('addresses', 'schedules') OR me IS NULL THEN
        RAISE EXCEPTION 'only a person removes their own entries';
    END IF;
    PERFORM kv_lock(p_kind, me);
    mine := CASE p_kind WHEN 'addresses' THEN 'owner = $1'
            ELSE 'owner_id = (SELECT id FROM owners WHERE name = $1)' END;
    EXECUTE format('SELECT count(*) FROM %I WHERE %s AND id = ANY($2)', p_kind, mine)
        INTO o_removed USING me, ids;
    o_import := 0;
    IF o_removed = 0 THEN
        RETURN;
    END IF;
    INSERT INTO imports(user_name, owner, kind, started, file, size, hash, form, options)
        VALUES (me, me, p_kind, extract(epoch FROM now())::bigint, '', 0, '', 'delete',
                cardinality(ids) || ' by ID')
        RETURNING id INTO o_import;
    SELECT string_agg(quote_ident(attname), ', ' ORDER BY attnum) INTO columns
        FROM pg_attribute WHERE attrelid = p_kind::regclass AND attnum > 0 AND NOT attisdropped;
    EXECUTE format('INSERT INTO %I(import_id, %s) SELECT $3, %s FROM %I WHERE %s AND id = ANY($2)',
                   'import_' || p_kind, columns, columns, p_kind, mine) USING me, ids, o_import;
    EXECUTE format('INSERT INTO import_entries(import_id, action, entry_id, last_id) '
                   'SELECT $3, 3, id, id FROM %I WHERE %s AND id = ANY($2)', p_kind, mine)
        USING me, ids, o_import;
    EXECUTE format('DELETE FROM %I WHERE %s AND id = ANY($2)', p_kind, mine) USING me, ids;
    UPDATE imports SET ended = extract(epoch FROM now())::bigint WHERE id = o_import;
    PERFORM kv_count_changes(p_kind, me, 1);
END $$;

-- Inside the caller's import under way p_import, the import's owner's
-- entries of p_kind by ID ("1,2,3") are removed and recorded with it (as
-- removed, with their rows), so that taking the import back puts them back:
-- a sync client's replaced object. Returns how many were removed.
CREATE OR REPLACE FUNCTION KV_SCHEMA.kv_remove_in_import(p_import bigint, p_kind text,
    p_ids text) RETURNS bigint
    LANGUAGE plpgsql SECURITY DEFINER SET search_path = KV_SCHEMA, pg_temp AS $$
DECLARE
    rec imports%ROWTYPE;
    ids bigint[] := string_to_array(p_ids, ',')::bigint[];
    mine text;
    columns text;
    removed bigint;
BEGIN
    PERFORM kv_my_import(p_import);
    SELECT * INTO rec FROM imports WHERE id = p_import;
    IF rec.kind <> p_kind THEN
        RAISE EXCEPTION 'import % is not of %', p_import, p_kind;
    END IF;
    PERFORM kv_lock(p_kind, rec.owner);
    mine := CASE p_kind WHEN 'addresses' THEN 'owner = $1'
            ELSE 'owner_id = (SELECT id FROM owners WHERE name = $1)' END;
    SELECT string_agg(quote_ident(attname), ', ' ORDER BY attnum) INTO columns
        FROM pg_attribute WHERE attrelid = p_kind::regclass AND attnum > 0 AND NOT attisdropped;
    EXECUTE format('INSERT INTO %I(import_id, %s) SELECT $3, %s FROM %I WHERE %s AND id = ANY($2) '
                   'ON CONFLICT DO NOTHING', 'import_' || p_kind, columns, columns, p_kind, mine)
        USING rec.owner, ids, p_import;
    EXECUTE format('INSERT INTO import_entries(import_id, action, entry_id, last_id) '
                   'SELECT $3, 3, id, id FROM %I WHERE %s AND id = ANY($2) ON CONFLICT DO NOTHING',
                   p_kind, mine) USING rec.owner, ids, p_import;
    EXECUTE format('DELETE FROM %I WHERE %s AND id = ANY($2)', p_kind, mine) USING rec.owner, ids;
    GET DIAGNOSTICS removed = ROW_COUNT;
    PERFORM kv_count_changes(p_kind, rec.owner, 1);
    RETURN removed;
END $$;

REVOKE ALL ON ALL FUNCTIONS IN SCHEMA KV_SCHEMA FROM PUBLIC;
GRANT EXECUTE ON FUNCTION KV_SCHEMA.kv_me(), KV_SCHEMA.kv_my_owner(), KV_SCHEMA.kv_is_admin(),
    KV_SCHEMA.kv_check_writer(text, bytea), KV_SCHEMA.kv_lock(text, bytea),
    KV_SCHEMA.kv_count_changes(text, bytea, integer), KV_SCHEMA.kv_reserve_ids(text),
    KV_SCHEMA.kv_own_ids(text, bigint[]), KV_SCHEMA.kv_add_addresses(KV_SCHEMA.addresses[]),
    KV_SCHEMA.kv_add_schedules(KV_SCHEMA.schedules[]), KV_SCHEMA.kv_keep_entry(),
    KV_SCHEMA.kv_drop_series(bytea, bytea),
    KV_SCHEMA.kv_set_password(text), KV_SCHEMA.kv_password_salt(),
    KV_SCHEMA.kv_password_in_step(text),
    KV_SCHEMA.kv_begin_import(bytea, bytea, text, bigint, bytea, bigint, text, text, text),
    KV_SCHEMA.kv_my_import(bigint), KV_SCHEMA.kv_record_import_entries(bigint, bigint, text),
    KV_SCHEMA.kv_keep_address_before(bigint, bigint),
    KV_SCHEMA.kv_keep_schedule_before(bigint, bigint, bytea, bigint),
    KV_SCHEMA.kv_keep_series_before(bigint, bytea, bytea),
    KV_SCHEMA.kv_record_import_skip(bigint, bigint, bytea),
    KV_SCHEMA.kv_end_import(bigint, bigint, bigint),
    KV_SCHEMA.kv_undo_import(bigint, boolean), KV_SCHEMA.kv_remove_entries(text, text),
    KV_SCHEMA.kv_remove_in_import(bigint, text, text) TO KV_GROUP;

-- What a person may touch directly: reading, updating their entries, and
-- adding their schedule owner and new categories. Everything else goes
-- through the functions above.
REVOKE ALL ON ALL TABLES IN SCHEMA KV_SCHEMA FROM KV_GROUP;
REVOKE ALL ON ALL SEQUENCES IN SCHEMA KV_SCHEMA FROM KV_GROUP;
GRANT USAGE ON SCHEMA KV_SCHEMA TO KV_GROUP;
GRANT SELECT ON kv_meta, owners, address_categories, board, kv_changes TO KV_GROUP;
-- The user list without the verifiers.
GRANT SELECT (id, name, reading, g0, g1, g2, g3, g4, g5, g6, g7, g8, g9, role_name)
    ON users TO KV_GROUP;
GRANT SELECT, UPDATE ON schedules, addresses TO KV_GROUP;
GRANT INSERT ON owners, address_categories TO KV_GROUP;
GRANT USAGE ON SEQUENCE owners_id_seq, address_categories_id_seq TO KV_GROUP;

-- Nothing at all for a role that is no current user.
ALTER TABLE users ENABLE ROW LEVEL SECURITY;
DROP POLICY IF EXISTS kv_read ON users;
CREATE POLICY kv_read ON users FOR SELECT TO KV_GROUP USING ((SELECT kv_me()) IS NOT NULL);
ALTER TABLE board ENABLE ROW LEVEL SECURITY;
DROP POLICY IF EXISTS kv_read ON board;
CREATE POLICY kv_read ON board FOR SELECT TO KV_GROUP USING ((SELECT kv_me()) IS NOT NULL);
ALTER TABLE address_categories ENABLE ROW LEVEL SECURITY;
DROP POLICY IF EXISTS kv_read ON address_categories;
DROP POLICY IF EXISTS kv_add ON address_categories;
CREATE POLICY kv_read ON address_categories FOR SELECT TO KV_GROUP
    USING ((SELECT kv_me()) IS NOT NULL);
CREATE POLICY kv_add ON address_categories FOR INSERT TO KV_GROUP
    WITH CHECK ((SELECT kv_me()) IS NOT NULL);

-- Schedules: one's own and the public ones are read; only one's own are changed.
ALTER TABLE schedules ENABLE ROW LEVEL SECURITY;
DROP POLICY IF EXISTS kv_read ON schedules;
DROP POLICY IF EXISTS kv_add ON schedules;
DROP POLICY IF EXISTS kv_change ON schedules;
CREATE POLICY kv_read ON schedules FOR SELECT TO KV_GROUP
    USING ((owner_id = (SELECT kv_my_owner()) OR public <> 0) AND (SELECT kv_me()) IS NOT NULL);
CREATE POLICY kv_change ON schedules FOR UPDATE TO KV_GROUP
    USING (owner_id = (SELECT kv_my_owner())) WITH CHECK (owner_id = (SELECT kv_my_owner()));

-- Addresses: one's own and the public ones (no owner), read and changed.
ALTER TABLE addresses ENABLE ROW LEVEL SECURITY;
DROP POLICY IF EXISTS kv_own ON addresses;
DROP POLICY IF EXISTS kv_read ON addresses;
DROP POLICY IF EXISTS kv_change ON addresses;
CREATE POLICY kv_read ON addresses FOR SELECT TO KV_GROUP
    USING ((owner = (SELECT kv_me()) OR owner = '\x'::bytea) AND (SELECT kv_me()) IS NOT NULL);
CREATE POLICY kv_change ON addresses FOR UPDATE TO KV_GROUP
    USING ((owner = (SELECT kv_me()) OR owner = '\x'::bytea) AND (SELECT kv_me()) IS NOT NULL)
    WITH CHECK ((owner = (SELECT kv_me()) OR owner = '\x'::bytea) AND (SELECT kv_me()) IS NOT NULL);

-- The change counts of what one may write, read only.
ALTER TABLE kv_changes ENABLE ROW LEVEL SECURITY;
DROP POLICY IF EXISTS kv_own ON kv_changes;
CREATE POLICY kv_own ON kv_changes FOR SELECT TO KV_GROUP
    USING ((owner = (SELECT kv_me()) OR owner = '\x'::bytea) AND (SELECT kv_me()) IS NOT NULL);

-- Schedule owners: every one is read, only one's own is made.
ALTER TABLE owners ENABLE ROW LEVEL SECURITY;
DROP POLICY IF EXISTS kv_read ON owners;
DROP POLICY IF EXISTS kv_add ON owners;
CREATE POLICY kv_read ON owners FOR SELECT TO KV_GROUP USING ((SELECT kv_me()) IS NOT NULL);
CREATE POLICY kv_add ON owners FOR INSERT TO KV_GROUP WITH CHECK (name = (SELECT kv_me()));

-- The records of one's own imports, read only (written through the functions above).
GRANT SELECT ON imports, import_entries, import_addresses, import_schedules, import_skips
    TO KV_GROUP;
ALTER TABLE imports ENABLE ROW LEVEL SECURITY;
DROP POLICY IF EXISTS kv_read ON imports;
CREATE POLICY kv_read ON imports FOR SELECT TO KV_GROUP USING (user_name = (SELECT kv_me()));
-- The rows of a record go with it: one read policy for each of its tables.
DO $$
DECLARE
    t text;
BEGIN
    FOREACH t IN ARRAY ARRAY['import_entries', 'import_addresses', 'import_schedules',
                             'import_skips'] LOOP
        EXECUTE format('ALTER TABLE %I ENABLE ROW LEVEL SECURITY', t);
        EXECUTE format('DROP POLICY IF EXISTS kv_read ON %I', t);
        EXECUTE format('CREATE POLICY kv_read ON %I FOR SELECT TO KV_GROUP '
                       'USING (EXISTS (SELECT 1 FROM imports i WHERE i.id = import_id))', t);
    END LOOP;
END $$;
