-- SPDX-License-Identifier: GPL-3.0-or-later
-- Shared projects: the tables, private to the schema vantro_sync, and the four functions clients call. Only the
-- functions are reachable from outside; they run as their owner (SECURITY DEFINER) with a fixed search_path.
-- Owner keys are kept only as SHA-256 digests, so a dump leaks none. Core functions only (sha256,
-- gen_random_uuid), so the same file runs on a hosted database whatever schema its extensions live in.

CREATE SCHEMA vantro_sync;
REVOKE ALL ON SCHEMA vantro_sync FROM PUBLIC;

CREATE TABLE vantro_sync.shared_projects (
    share_code          text PRIMARY KEY,
    owner_digest        bytea NOT NULL,
    name                text NOT NULL,
    emoji               text NOT NULL,
    context_description text NOT NULL,
    created_at          timestamptz NOT NULL DEFAULT now(),
    updated_at          timestamptz NOT NULL DEFAULT now()
);
CREATE INDEX shared_projects_owner ON vantro_sync.shared_projects (owner_digest);

CREATE TABLE vantro_sync.shared_prompts (
    share_code    text NOT NULL REFERENCES vantro_sync.shared_projects ON DELETE CASCADE,
    position      integer NOT NULL,
    id            uuid NOT NULL,
    title         text NOT NULL,
    system_prompt text NOT NULL,
    PRIMARY KEY (share_code, position)
);

-- What people type: any case, blanks around it.
CREATE FUNCTION vantro_sync.normalized_code(code text) RETURNS text
    LANGUAGE sql IMMUTABLE
    RETURN upper(btrim(coalesce(code, ''), E' \t\r\n'));

CREATE FUNCTION vantro_sync.owner_digest(p_license_key text) RETURNS bytea
    LANGUAGE plpgsql IMMUTABLE
    SET search_path = pg_catalog
AS $$
BEGIN
    IF p_license_key IS NULL OR btrim(p_license_key) = '' THEN
        RAISE EXCEPTION 'an owner key is required' USING ERRCODE = '22023';
    END IF;
    RETURN sha256(convert_to(p_license_key, 'UTF8'));
END
$$;

-- Twelve characters a person can read aloud and type (no 0/O, 1/I/L): 31^12, about 59 bits, from the
-- cryptographic random source behind gen_random_uuid.
CREATE FUNCTION vantro_sync.new_share_code() RETURNS text
    LANGUAGE plpgsql VOLATILE
    SET search_path = pg_catalog
AS $$
DECLARE
    alphabet constant text := '23456789ABCDEFGHJKMNPQRSTUVWXYZ';
    random_bytes bytea := uuid_send(gen_random_uuid()) || uuid_send(gen_random_uuid());
    code text := '';
    b integer;
BEGIN
    FOR i IN 0 .. 31 LOOP
        b := get_byte(random_bytes, i);
        -- 248 = 8 * 31: bytes above it would favour the first letters.
        CONTINUE WHEN b >= 248 OR i IN (6, 8, 22, 24); -- version and variant bytes of each UUID are not random
        code := code || substr(alphabet, b % 31 + 1, 1);
        EXIT WHEN length(code) = 12;
    END LOOP;
    IF length(code) < 12 THEN
        RETURN vantro_sync.new_share_code();
    END IF;
    RETURN code;
END
$$;

-- The upload payload checked field by field; every violation names its limit.
CREATE FUNCTION vantro_sync.checked_payload(payload jsonb) RETURNS jsonb
    LANGUAGE plpgsql IMMUTABLE
    SET search_path = pg_catalog
AS $$
DECLARE
    prompt jsonb;
BEGIN
    IF payload IS NULL OR jsonb_typeof(payload) <> 'object' THEN
        RAISE EXCEPTION 'payload must be a JSON object' USING ERRCODE = '22023';
    END IF;
    IF octet_length(payload::text) > 262144 THEN
        RAISE EXCEPTION 'payload is larger than 256 KiB' USING ERRCODE = '22001';
    END IF;
    IF jsonb_typeof(payload -> 'name') IS DISTINCT FROM 'string'
       OR jsonb_typeof(payload -> 'emoji') IS DISTINCT FROM 'string'
       OR jsonb_typeof(payload -> 'context_description') IS DISTINCT FROM 'string'
       OR jsonb_typeof(payload -> 'prompts') IS DISTINCT FROM 'array' THEN
        RAISE EXCEPTION 'payload needs the strings name, emoji and context_description and the array prompts'
            USING ERRCODE = '22023';
    END IF;
    IF char_length(payload ->> 'name') > 200 THEN
        RAISE EXCEPTION 'name is longer than 200 characters' USING ERRCODE = '22001';
    END IF;
    IF char_length(payload ->> 'emoji') > 32 THEN
        RAISE EXCEPTION 'emoji is longer than 32 characters' USING ERRCODE = '22001';
    END IF;
    IF jsonb_array_length(payload -> 'prompts') > 500 THEN
        RAISE EXCEPTION 'a shared project holds at most 500 prompts' USING ERRCODE = '22023';
    END IF;
    FOR prompt IN SELECT value FROM jsonb_array_elements(payload -> 'prompts') LOOP
        IF jsonb_typeof(prompt) IS DISTINCT FROM 'object'
           OR jsonb_typeof(prompt -> 'id') IS DISTINCT FROM 'string'
           OR jsonb_typeof(prompt -> 'title') IS DISTINCT FROM 'string'
           OR jsonb_typeof(prompt -> 'systemPrompt') IS DISTINCT FROM 'string' THEN
            RAISE EXCEPTION 'every prompt needs the strings id, title and systemPrompt' USING ERRCODE = '22023';
        END IF;
        IF (prompt ->> 'id') !~* '^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$' THEN
            RAISE EXCEPTION 'prompt id % is not a UUID', left(prompt ->> 'id', 40) USING ERRCODE = '22P02';
        END IF;
    END LOOP;
    RETURN payload;
END
$$;

CREATE FUNCTION vantro_sync.store_prompts(code text, payload jsonb) RETURNS void
    LANGUAGE sql
    SET search_path = pg_catalog
BEGIN ATOMIC
    DELETE FROM vantro_sync.shared_prompts WHERE share_code = code;
    INSERT INTO vantro_sync.shared_prompts (share_code, position, id, title, system_prompt)
        SELECT code, ordinality, (value ->> 'id')::uuid, value ->> 'title', value ->> 'systemPrompt'
        FROM jsonb_array_elements(payload -> 'prompts') WITH ORDINALITY;
END;

-- An array with the one project, or an empty array.
CREATE FUNCTION public.get_shared_project(code text) RETURNS jsonb
    LANGUAGE sql STABLE SECURITY DEFINER
    SET search_path = pg_catalog
BEGIN ATOMIC
    SELECT coalesce(jsonb_agg(jsonb_build_object(
               'share_code', p.share_code,
               'name', p.name,
               'emoji', p.emoji,
               'context_description', p.context_description,
               'prompts', (SELECT coalesce(jsonb_agg(jsonb_build_object('id', upper(q.id::text), 'title', q.title,
                                                                        'systemPrompt', q.system_prompt)
                                                     ORDER BY q.position), '[]'::jsonb)
                           FROM vantro_sync.shared_prompts q WHERE q.share_code = p.share_code))), '[]'::jsonb)
    FROM vantro_sync.shared_projects p
    WHERE p.share_code = vantro_sync.normalized_code(code);
END;

CREATE FUNCTION public.create_shared_project(p_license_key text, payload jsonb) RETURNS text
    LANGUAGE plpgsql VOLATILE SECURITY DEFINER
    SET search_path = pg_catalog
AS $$
DECLARE
    owner constant bytea := vantro_sync.owner_digest(p_license_key);
    checked constant jsonb := vantro_sync.checked_payload(payload);
    code text;
BEGIN
    -- One owner's creations are counted one at a time, so two at once cannot both pass the limit.
    PERFORM pg_advisory_xact_lock(hashtextextended(encode(owner, 'hex'), 0));
    IF (SELECT count(*) FROM vantro_sync.shared_projects WHERE owner_digest = owner) >= 100 THEN
        RAISE EXCEPTION 'an owner key shares at most 100 projects' USING ERRCODE = '23514';
    END IF;
    LOOP
        code := vantro_sync.new_share_code();
        BEGIN
            INSERT INTO vantro_sync.shared_projects (share_code, owner_digest, name, emoji, context_description)
                VALUES (code, owner, checked ->> 'name', checked ->> 'emoji', checked ->> 'context_description');
            EXIT;
        EXCEPTION WHEN unique_violation THEN
            -- Another project has this code already: draw again.
        END;
    END LOOP;
    PERFORM vantro_sync.store_prompts(code, checked);
    RETURN code;
END
$$;

-- True when the owner's project was replaced; false for an unknown or deleted code; another key is refused.
CREATE FUNCTION public.upsert_shared_project(p_share_code text, p_license_key text, payload jsonb) RETURNS boolean
    LANGUAGE plpgsql VOLATILE SECURITY DEFINER
    SET search_path = pg_catalog
AS $$
DECLARE
    owner constant bytea := vantro_sync.owner_digest(p_license_key);
    code constant text := vantro_sync.normalized_code(p_share_code);
    stored bytea;
    checked jsonb;
BEGIN
    SELECT owner_digest INTO stored FROM vantro_sync.shared_projects WHERE share_code = code FOR UPDATE;
    IF NOT FOUND THEN
        RETURN false;
    END IF;
    IF stored <> owner THEN
        RAISE EXCEPTION 'only the owner can change a shared project' USING ERRCODE = '42501';
    END IF;
    checked := vantro_sync.checked_payload(payload);
    UPDATE vantro_sync.shared_projects
        SET name = checked ->> 'name', emoji = checked ->> 'emoji',
            context_description = checked ->> 'context_description', updated_at = now()
        WHERE share_code = code;
    PERFORM vantro_sync.store_prompts(code, checked);
    RETURN true;
END
$$;

-- True when the owner's project was deleted; false for another key or an unknown code, and nothing is deleted.
CREATE FUNCTION public.delete_shared_project(p_share_code text, p_license_key text) RETURNS boolean
    LANGUAGE plpgsql VOLATILE SECURITY DEFINER
    SET search_path = pg_catalog
AS $$
BEGIN
    DELETE FROM vantro_sync.shared_projects
        WHERE share_code = vantro_sync.normalized_code(p_share_code)
          AND owner_digest = vantro_sync.owner_digest(p_license_key);
    RETURN FOUND;
END
$$;

REVOKE ALL ON FUNCTION public.get_shared_project(text), public.create_shared_project(text, jsonb),
    public.upsert_shared_project(text, text, jsonb), public.delete_shared_project(text, text) FROM PUBLIC;

-- A hosted database's REST front calls as the role "anon"; vantro-sync connects as the owner and needs no grant.
DO $$
BEGIN
    IF EXISTS (SELECT FROM pg_roles WHERE rolname = 'anon') THEN
        GRANT EXECUTE ON FUNCTION public.get_shared_project(text), public.create_shared_project(text, jsonb),
            public.upsert_shared_project(text, text, jsonb), public.delete_shared_project(text, text) TO anon;
    END IF;
END
$$;
