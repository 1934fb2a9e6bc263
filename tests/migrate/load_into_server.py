#!/usr/bin/env python3
"""Loads the SQL that tabulon-cli --format sql writes into a real server and
compares the server's catalog with what the object model says.

    load_into_server.py --server postgresql|sqlite --bin BIN --source SRC
                        --work DIR [--testdata DIR]

Databases: the sample, tests/migrate/fixtures/migration.json and a large
synthetic schema (all made by mkmdb), and every file under --testdata that
has local tables. For each: jetdump's JSON is what the object model says;
the DDL must load without a single message on standard error; then the
server's tables, columns (type, NOT NULL, identity), primary keys, foreign
keys (all columns, ON UPDATE and ON DELETE) and indexes (columns, order,
uniqueness) must be those the object model implies.

PostgreSQL runs as a private cluster in a temporary folder (as user nobody
when started as root, since initdb refuses root), listening only on a Unix
socket there, and is stopped at the end, also after a failure. Each
database goes into its own schema.

Exit status: 0 all loaded and matched, 1 a mismatch or a load error (each
printed), 77 the server's programs are not installed (skipped).
"""

import argparse
import csv
import glob
import io
import json
import os
import pathlib
import pwd
import shutil
import socket
import sqlite3
import subprocess
import sys
import tempfile
import time

SKIP = 77

SYSTEM = 0x80000002
LINKED = 0x40000000 | 0x20000000
AUTO_INCREMENT = 0x10
DESCENDING = 0x1
DONT_ENFORCE = 0x2
UPDATE_CASCADE = 0x100
DELETE_CASCADE = 0x1000
CASCADE_NULL = 0x2000

# DAO type code -> (PostgreSQL's format_type, SQLite's declared type); the
# README's type map. "{n}" is the size, "{p},{s}" precision and scale.
TYPES = {
    1: ("boolean", "boolean"),
    2: ("smallint", "smallint"),
    3: ("smallint", "smallint"),
    4: ("integer", "integer"),
    # SQLite's numeric affinity keeps 15 digits: exact numbers are text there.
    5: ("numeric(19,4)", "text"),
    6: ("real", "real"),
    7: ("double precision", "double precision"),
    8: ("timestamp without time zone", "timestamp"),
    9: ("bytea", "blob"),
    10: ("character varying({n})", "varchar({n})"),
    11: ("bytea", "blob"),
    12: ("text", "text"),
    15: ("uuid", "text"),
    16: ("bigint", "bigint"),
    20: ("numeric({p},{s})", "text"),
    26: ("timestamp without time zone", "timestamp"),
}
PG_NAME_BYTES = 63


def run(argv, **kwargs):
    return subprocess.run(argv, capture_output=True, text=True, **kwargs)


def lower(name):
    return name.lower()


class Names:
    """The writer's naming rule: names unique without regard to case, cut to
    the server's limit with "~1", "~2", ... (taken ones from "~2")."""

    def __init__(self, limit):
        self.limit = limit
        self.taken = set()

    def claim(self, wanted):
        name = wanted
        fits = not self.limit or len(name.encode()) <= self.limit
        if not fits or lower(name) in self.taken:
            n = 1 if not fits else 2
            while True:
                suffix = "~%d" % n
                stem = wanted
                if self.limit:
                    raw = wanted.encode()[: self.limit - len(suffix)]
                    stem = raw.decode("utf-8", errors="ignore")
                name = stem + suffix
                if lower(name) not in self.taken:
                    break
                n += 1
        self.taken.add(lower(name))
        return name


def complex_type(code):
    """ACE's complex field types, and 0: the reader's code for a memo's history."""
    return code == 0 or 101 <= code <= 109


def complex_places(path, dump):
    """{(table, field): hidden table} of a file's complex fields, read by
    mdbtools (another reader than ours) from MSysComplexColumns and the
    ids in MSysObjects."""
    tables = dump["database"].get("tableDefs", [])
    if not any(complex_type(f.get("type")) for t in tables if not t.get("attributes", 0) & SYSTEM
               for f in t.get("fields", [])):
        return {}

    def rows(table):
        # Without the binary columns, which are not text.
        result = subprocess.run(["mdb-export", "-b", "strip", str(path), table], capture_output=True)
        text = result.stdout.decode("utf-8", errors="replace")
        return list(csv.DictReader(io.StringIO(text))) if result.returncode == 0 else []

    names = {row["Id"]: row["Name"] for row in rows("MSysObjects")}
    return {(names.get(row["ConceptualTableID"]), row["ColumnName"]): names.get(row["FlatTableID"])
            for row in rows("MSysComplexColumns")}


def expected_schema(dump, server, places=None):
    """What the server must hold for a jetdump JSON, as plain structures;
    `places` from complex_places."""
    pg = server == "postgresql"
    limit = PG_NAME_BYTES if pg else 0
    database = dump["database"]
    all_tables = database.get("tableDefs", [])
    global_names = Names(limit)
    tables = {}
    values = []  # (parent, field, hidden table)

    def plan(table, shown):
        columns = {}
        column_names = Names(limit)
        for field in table["fields"]:
            code = field.get("type")
            kind = TYPES.get(code)
            if "name" not in field:
                continue
            if shown == table["name"] and complex_type(code):
                flat = (places or {}).get((table["name"], field["name"]))
                hidden = next((t for t in all_tables if t.get("name") == flat), None)
                if hidden is None or "fields" not in hidden:
                    continue
                values.append((table["name"], field["name"], hidden))
                kind, code = TYPES[4], 4
            if kind is None:
                continue
            sql_type = kind[0 if pg else 1].format(
                n=field.get("size"), p=field.get("precision"), s=field.get("scale"))
            # Digits and sizes a server refuses leave the column unbounded.
            if code == 20 and not 1 <= field.get("precision", 0) <= 28 and pg:
                sql_type = "numeric"
            if code == 10 and not 1 <= field.get("size", 0) <= 255:
                sql_type = "text"
            identity = (field["type"] == 4 and field.get("attributes", 0) & AUTO_INCREMENT != 0)
            columns[lower(field["name"])] = {
                "name": column_names.claim(field["name"]),
                "type": sql_type,
                "notnull": bool(field.get("required")) or code == 1,
                "identity": identity,
            }
        if not columns:
            return None
        wanted = shown
        if not pg and lower(wanted).startswith("sqlite_"):
            wanted = "_" + wanted
        sql_name = global_names.claim(wanted)
        indexes = table.get("indexes", [])
        primary = None
        signatures = {}
        made = []
        # The primary key first, then plain indexes, then relationships' ones.
        for wanted_pass in ("primary", "plain", "foreign"):
            for index in indexes:
                own = ("primary" if index.get("primary") else
                       "foreign" if index.get("foreign") else "plain")
                if own != wanted_pass or "fields" not in index:
                    continue
                if any(lower(f) not in columns for f in index["fields"]) or not index["fields"]:
                    continue
                names = tuple(columns[lower(f)]["name"] for f in index["fields"])
                descending = set(index.get("descending", []))
                order = tuple(f in descending for f in index["fields"])
                unique = bool(index.get("unique")) or bool(index.get("primary"))
                if index.get("primary") and primary is None:
                    primary = names
                    signatures[(names, order)] = True
                    continue
                if (names, order) in signatures:
                    continue
                signatures[(names, order)] = True
                made.append((names, order, unique))
        unique_keys = [set(names) for names, _, unique in made if unique]
        if primary:
            unique_keys.append(set(primary))
        if primary is not None:
            for column in primary:
                for spec in columns.values():
                    if spec["name"] == column and pg:
                        spec["notnull"] = True
        for spec in columns.values():
            if spec["identity"] and pg:
                spec["notnull"] = True
        return {
            "name": sql_name,
            "columns": columns,
            "primary": primary,
            "indexes": sorted(made),
            "unique_keys": unique_keys,
        }

    for table in all_tables:
        attributes = table.get("attributes", 0)
        if "name" not in table or attributes & SYSTEM or attributes & LINKED:
            continue
        if "fields" not in table:
            continue
        planned = plan(table, table["name"])
        if planned is not None:
            tables[lower(table["name"])] = planned
    foreign_keys = []
    # The values of complex fields, after every table of the database's own.
    for parent, field, hidden in values:
        planned = plan(hidden, parent + "_" + field)
        one = tables.get(lower(parent))
        if planned is None or one is None:
            continue
        tables[lower("\0" + planned["name"])] = planned
        key = planned["columns"].get(lower("_" + field))
        target = one["columns"][lower(field)]
        if key is not None and {target["name"]} in one["unique_keys"]:
            foreign_keys.append((planned["name"], (key["name"],), one["name"], (target["name"],),
                                 "no action", "cascade"))
    for relation in database.get("relations", []):
        if relation.get("attributes", 0) & DONT_ENFORCE:
            continue
        many = tables.get(lower(relation.get("foreignTable", "")))
        one = tables.get(lower(relation.get("table", "")))
        if many is None or one is None:
            continue
        pairs = relation.get("fields", [])
        if any(lower(p.get("foreignName", "")) not in many["columns"] or
               lower(p.get("name", "")) not in one["columns"] for p in pairs) or not pairs:
            continue
        local = tuple(many["columns"][lower(p["foreignName"])]["name"] for p in pairs)
        target = tuple(one["columns"][lower(p["name"])]["name"] for p in pairs)
        if set(target) not in one["unique_keys"]:
            continue
        attributes = relation["attributes"]
        on_update = "cascade" if attributes & UPDATE_CASCADE else "no action"
        on_delete = ("cascade" if attributes & DELETE_CASCADE else
                     "set null" if attributes & CASCADE_NULL else "no action")
        foreign_keys.append((many["name"], local, one["name"], target, on_update, on_delete))
    return {
        "tables": {t["name"]: t for t in tables.values()},
        "foreign_keys": sorted(foreign_keys),
    }


# ---- Servers ------------------------------------------------------------------


class Sqlite:
    name = "sqlite"

    def __init__(self, work):
        self.work = work
        self.program = shutil.which("sqlite3")

    def available(self):
        return self.program is not None

    def start(self):
        pass

    def stop(self):
        pass

    def load(self, label, sql_file):
        path = self.work / (label + ".sqlite")
        if path.exists():
            path.unlink()
        result = run([self.program, "-bail", str(path), ".read " + str(sql_file)])
        if result.returncode != 0 or result.stderr:
            return None, "sqlite3 exit %d: %s" % (result.returncode, result.stderr.strip())
        connection = sqlite3.connect(str(path))
        try:
            # Refused when a foreign key's parent key has no unique index.
            connection.execute("PRAGMA foreign_key_check").fetchall()
            return self.catalog(connection), None
        except sqlite3.Error as error:
            return None, "foreign_key_check: %s" % error
        finally:
            connection.close()

    @staticmethod
    def catalog(connection):
        tables = {}
        foreign_keys = []
        names = [row[0] for row in connection.execute(
            "SELECT name FROM sqlite_schema WHERE type = 'table' AND name NOT LIKE 'sqlite!_%' ESCAPE '!'")]
        for table in names:
            columns = {}
            keyed = []
            for _, name, declared, notnull, _, pk in connection.execute(
                    "SELECT * FROM pragma_table_info(?)", (table,)):
                columns[name] = {"type": declared, "notnull": bool(notnull)}
                if pk:
                    keyed.append((pk, name))
            sql = connection.execute(
                "SELECT sql FROM sqlite_schema WHERE type = 'table' AND name = ?", (table,)).fetchone()[0]
            for spec in columns.values():
                spec["identity"] = False
            for _, name in keyed:
                quoted = '"%s" integer PRIMARY KEY AUTOINCREMENT' % name.replace('"', '""')
                columns[name]["identity"] = quoted in sql
            indexes = []
            for _, index, unique, origin, _ in connection.execute(
                    "SELECT * FROM pragma_index_list(?)", (table,)):
                if origin != "c":
                    continue
                keys = [(row[5], row[2], bool(row[3])) for row in connection.execute(
                    "SELECT * FROM pragma_index_xinfo(?)", (index,)) if row[5]]
                indexes.append((tuple(k[1] for k in keys), tuple(k[2] for k in keys), bool(unique)))
            by_id = {}
            for fk_id, seq, target, local, remote, on_update, on_delete, _ in connection.execute(
                    "SELECT * FROM pragma_foreign_key_list(?)", (table,)):
                entry = by_id.setdefault(fk_id, {"target": target, "pairs": [],
                                                 "update": on_update.lower(),
                                                 "delete": on_delete.lower()})
                entry["pairs"].append((seq, local, remote))
            for entry in by_id.values():
                pairs = sorted(entry["pairs"])
                foreign_keys.append((table, tuple(p[1] for p in pairs), entry["target"],
                                     tuple(p[2] for p in pairs), entry["update"], entry["delete"]))
            tables[table] = {
                "columns": columns,
                "primary": tuple(name for _, name in sorted(keyed)) or None,
                "indexes": sorted(indexes),
            }
        return {"tables": tables, "foreign_keys": sorted(foreign_keys)}


CATALOG_SQL = """
SELECT json_build_object(
 'tables', (SELECT json_object_agg(c.relname, json_build_object(
   'columns', (SELECT json_object_agg(a.attname, json_build_object(
       'type', format_type(a.atttypid, a.atttypmod), 'notnull', a.attnotnull,
       'identity', a.attidentity <> ''))
     FROM pg_attribute a WHERE a.attrelid = c.oid AND a.attnum > 0 AND NOT a.attisdropped),
   'primary', (SELECT json_agg(a.attname ORDER BY k.n) FROM pg_constraint p,
       unnest(p.conkey) WITH ORDINALITY k(attnum, n)
       JOIN pg_attribute a ON a.attrelid = c.oid AND a.attnum = k.attnum
     WHERE p.conrelid = c.oid AND p.contype = 'p'),
   'indexes', (SELECT coalesce(json_agg(json_build_object(
       'unique', i.indisunique,
       'columns', (SELECT json_agg(a.attname ORDER BY k.n)
          FROM unnest(i.indkey::int2[]) WITH ORDINALITY k(attnum, n)
          JOIN pg_attribute a ON a.attrelid = c.oid AND a.attnum = k.attnum),
       'descending', (SELECT json_agg((k.option & 1) = 1 ORDER BY k.n)
          FROM unnest(i.indoption::int2[]) WITH ORDINALITY k(option, n)))), '[]')
     FROM pg_index i WHERE i.indrelid = c.oid AND NOT i.indisprimary)))
   FROM pg_class c WHERE c.relnamespace = to_regnamespace(:'schema') AND c.relkind = 'r'),
 'foreign_keys', (SELECT coalesce(json_agg(json_build_object(
     'table', c.relname, 'target', t.relname,
     'local', (SELECT json_agg(a.attname ORDER BY k.n) FROM unnest(f.conkey) WITH ORDINALITY k(attnum, n)
        JOIN pg_attribute a ON a.attrelid = f.conrelid AND a.attnum = k.attnum),
     'remote', (SELECT json_agg(a.attname ORDER BY k.n) FROM unnest(f.confkey) WITH ORDINALITY k(attnum, n)
        JOIN pg_attribute a ON a.attrelid = f.confrelid AND a.attnum = k.attnum),
     'update', f.confupdtype, 'delete', f.confdeltype)), '[]')
   FROM pg_constraint f JOIN pg_class c ON c.oid = f.conrelid JOIN pg_class t ON t.oid = f.confrelid
   WHERE f.contype = 'f' AND c.relnamespace = to_regnamespace(:'schema')))
"""

ACTIONS = {"a": "no action", "c": "cascade", "n": "set null", "r": "restrict", "d": "set default"}


class Postgresql:
    name = "postgresql"

    def __init__(self, work):
        self.work = work
        found = sorted(glob.glob("/usr/lib/postgresql/*/bin/initdb"))
        self.bin = pathlib.Path(found[-1]).parent if found else None
        self.psql = shutil.which("psql")
        self.folder = None
        self.port = None
        self.started = False
        self.schemas = 0

    def available(self):
        return self.bin is not None and self.psql is not None

    def as_server_user(self, argv):
        # initdb and the server refuse to run as root.
        if os.geteuid() == 0:
            return ["runuser", "-u", "nobody", "--"] + argv
        return argv

    def start(self):
        self.folder = pathlib.Path(tempfile.mkdtemp(prefix="tabulon-pg-"))
        if os.geteuid() == 0:
            nobody = pwd.getpwnam("nobody")
            os.chown(self.folder, nobody.pw_uid, nobody.pw_gid)
        with socket.socket() as probe:
            probe.bind(("127.0.0.1", 0))
            self.port = probe.getsockname()[1]
        data = self.folder / "data"
        result = run(self.as_server_user([str(self.bin / "initdb"), "-D", str(data), "-U", "postgres",
                                          "--auth=trust", "-E", "UTF8", "--locale=C.UTF-8"]))
        if result.returncode != 0:
            raise RuntimeError("initdb: " + result.stderr)
        options = ("-k %s -p %d -c listen_addresses='' -c fsync=off -c synchronous_commit=off "
                   "-c full_page_writes=off -c max_locks_per_transaction=1024" % (self.folder, self.port))
        result = run(self.as_server_user([str(self.bin / "pg_ctl"), "-D", str(data), "-o", options,
                                          "-l", str(self.folder / "log"), "-w", "-t", "60", "start"]))
        if result.returncode != 0:
            log = (self.folder / "log").read_text(errors="replace") if (self.folder / "log").exists() else ""
            raise RuntimeError("pg_ctl start: " + result.stderr + log)
        self.started = True

    def stop(self):
        if self.started:
            run(self.as_server_user([str(self.bin / "pg_ctl"), "-D", str(self.folder / "data"),
                                     "-m", "immediate", "-w", "stop"]))
            self.started = False
        if self.folder is not None:
            shutil.rmtree(self.folder, ignore_errors=True)

    def psql_argv(self):
        return [self.psql, "-X", "-q", "-v", "ON_ERROR_STOP=1", "-h", str(self.folder), "-p",
                str(self.port), "-U", "postgres", "-d", "postgres"]

    def load(self, label, sql_file):
        self.schemas += 1
        schema = "s%d" % self.schemas
        result = run(self.psql_argv() + ["-c", "CREATE SCHEMA %s" % schema,
                                         "-c", "SET search_path TO %s" % schema, "-f", str(sql_file)])
        if result.returncode != 0 or result.stderr:
            return None, "psql exit %d: %s" % (result.returncode, result.stderr.strip())
        result = run(self.psql_argv() + ["-A", "-t", "-v", "schema=" + schema], input=CATALOG_SQL)
        if result.returncode != 0:
            return None, "catalog query: " + result.stderr
        raw = json.loads(result.stdout)
        tables = {}
        for name, table in (raw["tables"] or {}).items():
            tables[name] = {
                "columns": table["columns"],
                "primary": tuple(table["primary"]) if table["primary"] else None,
                "indexes": sorted((tuple(i["columns"]), tuple(i["descending"]), i["unique"])
                                  for i in table["indexes"]),
            }
        foreign_keys = sorted((f["table"], tuple(f["local"]), f["target"], tuple(f["remote"]),
                               ACTIONS[f["update"]], ACTIONS[f["delete"]]) for f in raw["foreign_keys"])
        return {"tables": tables, "foreign_keys": foreign_keys}, None


# ---- Comparison -----------------------------------------------------------------


def compare(expected, actual):
    problems = []
    if set(expected["tables"]) != set(actual["tables"]):
        problems.append("tables: expected %s, server has %s" % (sorted(expected["tables"]),
                                                               sorted(actual["tables"])))
    for name, table in expected["tables"].items():
        held = actual["tables"].get(name)
        if held is None:
            continue
        wanted_columns = {c["name"]: c for c in table["columns"].values()}
        if set(wanted_columns) != set(held["columns"]):
            problems.append("%s: columns %s, server %s" % (name, sorted(wanted_columns),
                                                           sorted(held["columns"])))
        for column, spec in wanted_columns.items():
            got = held["columns"].get(column)
            if got is None:
                continue
            for key in ("type", "notnull", "identity"):
                # SQLite reports some declared types in capitals.
                if str(got[key]).lower() != str(spec[key]).lower():
                    problems.append("%s.%s: %s %r, server %r" % (name, column, key, spec[key], got[key]))
        if table["primary"] != held["primary"]:
            problems.append("%s: primary key %r, server %r" % (name, table["primary"], held["primary"]))
        if table["indexes"] != held["indexes"]:
            problems.append("%s: indexes %r, server %r" % (name, table["indexes"], held["indexes"]))
    if expected["foreign_keys"] != actual["foreign_keys"]:
        problems.append("foreign keys %r, server %r" % (expected["foreign_keys"], actual["foreign_keys"]))
    return problems


def databases(args, work):
    """(label, path, password) of every database to load."""
    mkmdb = str(args.bin / "mkmdb")
    made = work / "made"
    made.mkdir(parents=True, exist_ok=True)
    items = [
        ("sample", [mkmdb, str(args.source / "tools/mkmdb/samples/sample.json")]),
        ("migration", [mkmdb, str(args.source / "tests/migrate/fixtures/migration.json")]),
        ("synthetic", [mkmdb, "--synthetic", "tables=500,fields=20,indexes=3,relations=200"]),
    ]
    out = []
    for label, argv in items:
        path = made / (label + ".mdb")
        result = run(argv + [str(path)])
        if result.returncode != 0:
            raise RuntimeError("mkmdb %s: %s" % (label, result.stderr))
        out.append((label, path, ""))
    if args.testdata and args.testdata.is_dir():
        files = sorted(p for p in args.testdata.rglob("*") if p.suffix in (".mdb", ".accdb"))
        for path in files:
            label = "shared-" + "-".join(path.relative_to(args.testdata).parts)
            password = "password" if "with-password" in path.name else ""
            out.append((label, path, password))
    else:
        print("note: %s is absent; the shared test files are left out" % args.testdata)
    return out


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--server", choices=["postgresql", "sqlite"], required=True)
    parser.add_argument("--bin", type=pathlib.Path, required=True)
    parser.add_argument("--source", type=pathlib.Path, required=True)
    parser.add_argument("--work", type=pathlib.Path, required=True)
    parser.add_argument("--testdata", type=pathlib.Path)
    args = parser.parse_args()

    shutil.rmtree(args.work, ignore_errors=True)
    args.work.mkdir(parents=True)
    server = Postgresql(args.work) if args.server == "postgresql" else Sqlite(args.work)
    if not server.available():
        print("SKIPPED: the %s programs are not installed (scripts/setup installs them from "
              "scripts/packages.txt)" % args.server)
        return SKIP

    started = time.monotonic()
    failures = []
    loaded = 0
    try:
        server.start()
        for label, path, password in databases(args, args.work):
            dump_run = run([str(args.bin / "jetdump"), "--password", password, str(path)])
            if dump_run.returncode != 0:
                continue  # not readable (encrypted): nothing to load
            dump = json.loads(dump_run.stdout)
            expected = expected_schema(dump, args.server, complex_places(path, dump))
            if not expected["tables"]:
                continue
            folder = args.work / "sql" / label
            result = run([str(args.bin / "tabulon-cli"), "--format", "sql", "--dialect", args.server,
                          "--password", password, "-o", str(folder), str(path)])
            if result.returncode != 0:
                failures.append("%s: tabulon-cli exit %d: %s" % (label, result.returncode, result.stderr))
                continue
            sql_file = folder / (path.stem + ".sql")
            actual, error = server.load(label, sql_file)
            if error:
                failures.append("%s: %s" % (label, error))
                continue
            loaded += 1
            failures += ["%s: %s" % (label, p) for p in compare(expected, actual)]
    finally:
        server.stop()
    for failure in failures:
        print("FAIL " + failure)
    print("%s: %d databases loaded and compared in %.1f s, %d problems" %
          (args.server, loaded, time.monotonic() - started, len(failures)))
    return 1 if failures or loaded == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
