#!/usr/bin/python3
"""tabulon-cli's JSON, Markdown, SVG and diff outputs as other programs read
them: the JSON against the shipped schema (jsonschema), the Markdown's
tables through a Markdown parser (markdown-it), each Mermaid block through a
check of the erDiagram grammar of Mermaid 10 and 11 (check_mermaid_browser.py
draws them), the SVG as XML, and the diff of a database against a copy with
four known changes.

Usage: check_outputs.py BIN_DIR SOURCE_DIR TESTDATA_DIR (absent: skipped)"""

import csv
import html
import json
import os
import pathlib
import re
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET

import jsonschema
from markdown_it import MarkdownIt

BIN, SOURCE, TESTDATA = (pathlib.Path(a) for a in sys.argv[1:4])
CLI = str(BIN / "tabulon-cli")
MKMDB = str(BIN / "mkmdb")
PASSWORDED = {"V2010_with-password.accdb", "V2000_with-password.mdb", "office-agile-4.2.accdb"}
SVG = "{http://www.w3.org/2000/svg}"


# Fontconfig and Graphviz's plugins keep what they load until the process
# ends; a sanitizer build would report that as leaks of ours.
ENVIRONMENT = dict(os.environ)
ENVIRONMENT["LSAN_OPTIONS"] = ":".join(filter(None, [
    os.environ.get("LSAN_OPTIONS", ""),
    f"suppressions={pathlib.Path(__file__).parent / 'graphviz-leaks.supp'}"]))


def run(*args, check_status=(0,)):
    done = subprocess.run([CLI, *args], capture_output=True, timeout=300, env=ENVIRONMENT)
    if done.returncode not in check_status:
        raise AssertionError(f"{args}: exit {done.returncode}: {done.stderr.decode(errors='replace')}")
    return done.returncode, done.stdout.decode("utf-8"), done.stderr.decode("utf-8", "replace")


def shared_list(folder):
    """A --list file naming every shared database, with its password."""
    files = sorted(p for p in TESTDATA.rglob("*") if p.suffix.lower() in (".mdb", ".accdb"))
    lines = [f'"OK"|"{"password" if p.name in PASSWORDED else ""}"|"{p}"' for p in files]
    path = folder / "shared.txt"
    path.write_text("\n".join(lines) + "\n", encoding="utf-8")
    return path, len(files)


# ---- Mermaid's erDiagram, as the lexers and grammars of 10 and 11 read it --

# Entities are ids labelled with their names, where every character that
# Mermaid, Markdown or HTML could read (ASCII punctuation, spaces) is an
# entity code; attribute words are ASCII, as Mermaid 10 reads only those.
ID = r"t\d+"
LABEL = r'"(?:[A-Za-z0-9]|[^\x00-\x7f\s\u00b0\u00b6]|#\d+;)+"'
WORD = r"[A-Za-z_][A-Za-z0-9_]*"
CARD_LEFT = r"(\|o|\|\||\}o|\}\|)"
CARD_RIGHT = r"(o\||\|\||o\{|\|\{)"
RELATION = re.compile(rf"({ID}) {CARD_LEFT}(--|\.\.){CARD_RIGHT} ({ID}) : ({LABEL})")
KEY_MARK = re.compile(r"(PK|FK|UK)(?![A-Za-z0-9_])", re.I)


def check_mermaid(block):
    """Returns (entities, relations); raises AssertionError where Mermaid would not parse."""
    lines = block.split("\n")
    assert lines[0] == "erDiagram", lines[0]
    entities, relations, inside = [], [], False
    for line in lines[1:]:
        text = line.strip()
        if not text:
            continue
        assert "%" not in text, line
        if inside:
            if text == "}":
                inside = False
                continue
            match = re.fullmatch(rf"({WORD}) ({WORD})( (PK|FK|UK)(, (PK|FK|UK))*)?( {LABEL})?", text)
            assert match, f"attribute: {line!r}"
            for word in match.group(1, 2):
                assert not KEY_MARK.match(word), f"a word read as a key mark: {line!r}"
            continue
        match = re.fullmatch(rf"({ID})\[{LABEL}\]( \{{)?", text)
        if match:
            entities.append(match.group(1))
            inside = match.group(2) is not None
            continue
        match = RELATION.fullmatch(text)
        assert match, f"statement: {line!r}"
        relations.append((match.group(1), match.group(5)))
    assert not inside, "block not closed"
    assert len(set(entities)) == len(entities), "an entity declared twice"
    for left, right in relations:
        assert left in entities and right in entities, (left, right)
    return entities, relations


# ---- Markdown ---------------------------------------------------------------

def table_cells(line):
    """The cells of a table row as GitHub splits it: at pipes not escaped."""
    inner = line.strip()
    assert inner.startswith("|") and inner.endswith("|"), line
    return re.split(r"(?<!\\)\|", inner[1:-1])


def check_markdown(text):
    """Every table renders with as many cells in each row as in its head,
    every Mermaid block parses. Returns the parser's tokens and the blocks."""
    parser = MarkdownIt("commonmark").enable("table")
    tokens = parser.parse(text)
    fences = [t for t in tokens if t.type == "fence"]
    mermaid = [t.content for t in fences if t.info.strip() == "mermaid"]
    for block in mermaid:
        check_mermaid(block.rstrip("\n"))
    # Table lines of the source, outside code blocks.
    source_tables, current = [], None
    fence_lines = set()
    for t in fences:
        fence_lines.update(range(t.map[0], t.map[1]))
    for number, line in enumerate(text.split("\n")):
        if number in fence_lines or not line.startswith("|"):
            current = None
            continue
        if current is None:
            current = []
            source_tables.append(current)
        current.append(line)
    rendered = sum(1 for t in tokens if t.type == "table_open")
    assert rendered == len(source_tables), (rendered, len(source_tables))
    for table in source_tables:
        width = len(table_cells(table[0]))
        assert re.fullmatch(r"\|(---\|)+", table[1]), table[1]
        for row in table[2:]:
            assert len(table_cells(row)) == width, row
    return parser, tokens, mermaid


def cell_texts(parser, tokens, column):
    """The plain text of one column of every table body, as a reader sees it."""
    texts, in_body, index = [], False, 0
    for token in tokens:
        if token.type == "tbody_open":
            in_body = True
        elif token.type == "tbody_close":
            in_body = False
        elif token.type == "tr_open":
            index = 0
        elif token.type == "td_open":
            index += 1
        elif token.type == "inline" and in_body and index == column:
            rendered = parser.renderer.renderInline(token.children, parser.options, {})
            texts.append(html.unescape(rendered.replace("<br>", "\n")))
    return texts


class Outputs(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.dir = pathlib.Path(cls.tmp.name)
        cls.sample = cls.dir / "sample.mdb"
        cls.hostile = cls.dir / "hostile.mdb"
        subprocess.run([MKMDB, str(SOURCE / "tools/mkmdb/samples/sample.json"), str(cls.sample)], check=True)
        subprocess.run([MKMDB, str(SOURCE / "tests/outputs/fixtures/hostile.json"), str(cls.hostile)], check=True)
        cls.hostile_names = json.loads((SOURCE / "tests/outputs/fixtures/hostile.json").read_text())
        cls.schema = json.loads((SOURCE / "docs/tabulon.schema.json").read_text())
        jsonschema.Draft202012Validator.check_schema(cls.schema)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def validate(self, document):
        errors = sorted(jsonschema.Draft202012Validator(self.schema).iter_errors(document), key=str)
        self.assertEqual([], [f"{list(e.absolute_path)}: {e.message}" for e in errors[:5]])

    def test_json_of_sample_and_hostile_names_fits_the_schema(self):
        _, out, _ = run("--format", "json", str(self.sample), str(self.hostile))
        document = json.loads(out)
        self.validate(document)
        names = [t["name"] for t in document["databases"][1]["tableDefs"]]
        for table in self.hostile_names["tables"]:
            self.assertIn(table["name"], names)
        self.assertIn("\\u0001", out)

    def test_the_schema_refuses_nonsense_members(self):
        _, out, _ = run("--format", "json", str(self.sample))
        document = json.loads(out)
        at = next(i for i, t in enumerate(document["databases"][0]["tableDefs"])
                  if t.get("indexes") and t.get("fields") and not t.get("connect"))
        table = document["databases"][0]["tableDefs"][at]
        self.assertIsInstance(table["recordCount"], int)
        linked = [t for t in document["databases"][0]["tableDefs"] if t.get("connect")]
        self.assertTrue(linked and all(t["recordCount"] is None and t["recordCountReason"]
                                       for t in linked))
        self.assertRegex(table["dateCreatedIso"], r"^\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}$")
        validator = jsonschema.Draft202012Validator(self.schema)
        nonsense = [("fields", 0, "type", 9999), ("fields", 0, "size", -5), ("fields", 0, "size", "abc"),
                    ("fields", 0, "name", ""), (None, None, "dateCreated", "yesterday"),
                    (None, None, "recordCount", "many"), ("indexes", 0, "fields", [])]
        for member, index, key, value in nonsense:
            broken = json.loads(out)
            target = broken["databases"][0]["tableDefs"][at]
            if member:
                target = target[member][index]
            target[key] = value
            with self.subTest(key=key, value=value):
                self.assertFalse(validator.is_valid(broken))

    def test_json_of_every_shared_file_fits_the_schema(self):
        if not TESTDATA.is_dir():
            self.skipTest(f"{TESTDATA} is absent")
        listing, count = shared_list(self.dir)
        status, out, _ = run("--format", "json", "--list", str(listing), check_status=(0, 1))
        document = json.loads(out)
        self.assertEqual(count, len(document["databases"]))
        self.validate(document)

    def test_markdown_tables_render_and_hostile_names_read_as_themselves(self):
        _, out, _ = run("--format", "markdown", str(self.sample), str(self.hostile))
        parser, tokens, mermaid = check_markdown(out)
        self.assertEqual(2, len(mermaid))
        entities, relations = check_mermaid(mermaid[0].rstrip("\n"))
        self.assertEqual(5, len(entities))  # the sample's related tables
        self.assertEqual(6, len(relations))
        names = cell_texts(parser, tokens, 2)
        for table in self.hostile_names["tables"]:
            self.assertIn(table["name"], names)
        descriptions = cell_texts(parser, tokens, 10)
        self.assertIn(self.hostile_names["tables"][0]["description"].replace("\u0001", "").strip(),
                      descriptions)
        self.assertNotIn("<script>", parser.render(out))

    def test_markdown_of_every_shared_file_renders(self):
        if not TESTDATA.is_dir():
            self.skipTest(f"{TESTDATA} is absent")
        listing, _ = shared_list(self.dir)
        _, out, _ = run("--format", "markdown", "--list", str(listing), check_status=(0, 1))
        check_markdown(out)

    def test_diagram_has_a_node_per_table_and_an_edge_per_relationship(self):
        report = self.dir / "report.html"
        run("--diagram", "-o", str(report), str(self.sample))
        svg = ET.parse(self.dir / "report_ID0000.svg").getroot()
        self.assertEqual("sample.mdb の ER 図", svg.find(f"{SVG}g/{SVG}title").text)
        nodes = svg.findall(f".//{SVG}g[@class='node']")
        edges = svg.findall(f".//{SVG}g[@class='edge']")
        self.assertEqual(7, len(nodes))  # every table but the system ones
        self.assertEqual(6, len(edges))
        self.assertIn("CJK", svg.find(f".//{SVG}text").get("font-family"))
        # The report has one line more than without the option: the link.
        plain = self.dir / "plain.html"
        run("-o", str(plain), str(self.sample))
        def lines(path):  # without the run's time and duration
            text = path.read_bytes().decode("cp932")
            text = re.sub(r" at \d{4}/\d\d/\d\d \d\d:\d\d:\d\d<br>", " at TIME<br>", text)
            return [line for line in text.split("\r\n") if not re.fullmatch(r"<p>\d+msec\.", line)]
        without = lines(plain)
        extra = [line for line in lines(report) if line not in without]
        self.assertEqual(['<p><a href="report_ID0000.svg">ER 図 (SVG)</a>'], extra)

        run("--diagram", "-o", str(self.dir / "hostile.html"), str(self.hostile))
        svg = ET.parse(self.dir / "hostile_ID0000.svg").getroot()
        texts = "".join(t.text or "" for t in svg.iter(f"{SVG}text"))
        self.assertIn(self.hostile_names["tables"][0]["name"], texts)

    def test_diagram_draws_names_with_graphviz_escapes_as_they_are(self):
        # Graphviz reads \N, \G, \E, \T, \H and \L in labels as names of
        # its own (plain labels also \n, \l, \r); the file name is the title.
        fixture = SOURCE / "tests/outputs/fixtures/backslashes.json"
        description = json.loads(fixture.read_text())
        database = self.dir / "C\\N\\G.mdb"
        subprocess.run([MKMDB, str(fixture), str(database)], check=True)
        run("--diagram", "-o", str(self.dir / "escapes.html"), str(database))
        svg = ET.parse(self.dir / "escapes_ID0000.svg").getroot()
        texts = [t.text for t in svg.iter(f"{SVG}text")]
        title = "C\\N\\G.mdb の ER 図"
        self.assertEqual(title, svg.find(f"{SVG}g/{SVG}title").text)
        one, many = description["tables"]
        relationship = description["relationships"][0]
        expected = [title, one["name"], many["name"], relationship["name"]]
        expected += [f"PK {c['name']}" for c in one["columns"]]
        expected += [f"FK {c['name']}" for c in many["columns"]]
        expected += [f"{c['name']} → {c['foreignName']}" for c in relationship["columns"]]
        self.assertEqual(sorted(expected), sorted(t for t in texts if "\\" in t))

    def test_diff_of_hostile_names_stays_well_formed(self):
        _, out, _ = run("diff", "--format", "markdown", str(self.sample), str(self.hostile),
                        check_status=(1,))
        parser, tokens, _ = check_markdown(out)
        names = cell_texts(parser, tokens, 3)
        for table in self.hostile_names["tables"]:
            self.assertIn(table["name"], names)
        _, out, _ = run("diff", "--format", "json", str(self.sample), str(self.hostile),
                        check_status=(1,))
        self.assertIn("r<2>&--", [c["name"] for c in json.loads(out)["changes"]])
        _, out, _ = run("diff", str(self.sample), str(self.hostile), check_status=(1,))
        self.assertTrue(all(line[:1] in "-+~ " for line in out.splitlines()), out)

    def test_large_database_is_drawn_by_related_groups(self):
        big = self.dir / "big.mdb"
        subprocess.run([MKMDB, "--synthetic", "tables=160,fields=4,indexes=1,relations=12", str(big)],
                       check=True)
        run("--diagram", "-o", str(self.dir / "big.html"), str(big))
        svg = ET.parse(self.dir / "big_ID0000.svg").getroot()
        self.assertIn("省略", svg.find(f"{SVG}g/{SVG}title").text)
        self.assertEqual(12, len(svg.findall(f".//{SVG}g[@class='edge']")))
        nodes = len(svg.findall(f".//{SVG}g[@class='node']"))
        self.assertLess(nodes, 160)
        self.assertGreater(len(svg.findall(f".//{SVG}g[@class='cluster']")), 0)

    def test_too_large_a_diagram_is_drawn_on_sheets_with_an_overview(self):
        # One chain of 301 related tables, 120 pairs, 10 threes and 5 tables alone.
        tables, relationships = [], []
        def table(name):
            tables.append({"name": name, "columns": [{"name": "ID", "type": "long"},
                                                     {"name": "Ref", "type": "long"}],
                           "indexes": [{"name": "PrimaryKey", "primary": True,
                                        "columns": ["ID"]}]})
        def relate(name, one, many):
            relationships.append({"name": name, "table": one, "foreignTable": many,
                                  "columns": [{"name": "ID", "foreignName": "Ref"}]})
        chain = ["鎖<img src=x>&\\N\"'"] + [f"鎖{i:03d}" for i in range(1, 301)]
        for i, name in enumerate(chain):
            table(name)
            if i:
                relate(f"r鎖{i:03d}", chain[i - 1], name)
        for i in range(120):
            table(f"対{i:03d}a")
            table(f"対{i:03d}b")
            relate(f"r対{i:03d}", f"対{i:03d}a", f"対{i:03d}b")
        for i in range(10):  # laid out by Graphviz eight at a time
            for end in "abc":
                table(f"三{i:02d}{end}")
            relate(f"r三{i:02d}b", f"三{i:02d}a", f"三{i:02d}b")
            relate(f"r三{i:02d}c", f"三{i:02d}a", f"三{i:02d}c")
        for i in range(5):
            table(f"独{i}")
        fixture = self.dir / "sheets.json"
        fixture.write_text(json.dumps({"tables": tables, "relationships": relationships}))
        database = self.dir / "sheets.mdb"
        subprocess.run([MKMDB, str(fixture), str(database)], check=True)
        run("--diagram", "-o", str(self.dir / "sheets.html"), str(database))
        report = (self.dir / "sheets.html").read_bytes().decode("cp932")
        self.assertIn('<a href="sheets_ID0000.svg">', report)

        def picture(name):
            svg = ET.parse(self.dir / name).getroot()
            # Each a few screens at most, its title drawn once.
            self.assertLessEqual(float(svg.get("width").removesuffix("pt")), 3000, name)
            self.assertLessEqual(float(svg.get("height").removesuffix("pt")), 2400, name)
            title = svg.find(f"{SVG}g/{SVG}title").text
            self.assertEqual(1, [t.text for t in svg.iter(f"{SVG}text")].count(title), name)
            return svg, title

        overview, title = picture("sheets_ID0000.svg")
        self.assertIn("リレーションシップのない 5 個は省略", title)
        links = [a.get("{http://www.w3.org/1999/xlink}href") for a in overview.iter(f"{SVG}a")]
        sheets = sorted(set(links))
        self.assertEqual([f"sheets_ID0000_{n}.svg" for n in range(1, len(sheets) + 1)], sheets)
        self.assertGreater(len(sheets), 1)
        drawn, referred, edges = [], [], []
        for name in sheets:
            svg, _ = picture(name)
            for node in svg.iter(f"{SVG}g"):
                texts = [t.text for t in node.iter(f"{SVG}text")]
                if node.get("class") == "node":
                    drawn.append(texts[0])
                elif node.get("class") == "node reference":
                    referred.append(texts[0])
                    self.assertRegex(texts[1], r"^→ グループ 1 の \d+/\d+$")
                elif node.get("class") == "edge":
                    edges.append(texts[0])
        # Every related table drawn once, every relationship at least once.
        self.assertEqual(sorted(t["name"] for t in tables if not t["name"].startswith("独")),
                         sorted(drawn))
        self.assertTrue(set(referred) <= set(drawn))
        self.assertEqual({r["name"] for r in relationships}, set(edges))

    def test_drawn_text_stays_inside_its_box_in_a_browser(self):
        # Pairs and lone tables are drawn without Graphviz, their boxes sized
        # from an estimate of the text: Chromium measures what it draws.
        if not os.path.exists("/usr/bin/chromium"):
            self.skipTest("chromium is not installed")
        wide = ["WWWWWWWWWWWWMMMM", "ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿ", "表" * 12, "mmmmwwww@@@@%%%%",
                "Ｗｉｄｅ　全角ＡＢＣ", "A&B <C> \\N"]
        tables, relationships = [], []
        for i, name in enumerate(wide):
            key = f"{name}ID"
            tables.append({"name": name, "columns": [{"name": key, "type": "long"}],
                           "indexes": [{"name": "PrimaryKey", "primary": True, "columns": [key]}]})
            tables.append({"name": f"{name}2", "columns": [{"name": "ID", "type": "long"},
                                                            {"name": f"{name}参照", "type": "long"}],
                           "indexes": [{"name": "PrimaryKey", "primary": True, "columns": ["ID"]}]})
            relationships.append({"name": f"{name}関連", "table": name, "foreignTable": f"{name}2",
                                  "columns": [{"name": key, "foreignName": f"{name}参照"}]})
        fixture = self.dir / "wide.json"
        fixture.write_text(json.dumps({"tables": tables, "relationships": relationships}))
        database = self.dir / "wide.mdb"
        subprocess.run([MKMDB, str(fixture), str(database)], check=True)
        run("--diagram", "-o", str(self.dir / "wide.html"), str(database))
        svg = (self.dir / "wide_ID0000.svg").read_text(encoding="utf-8")
        page = self.dir / "wide-check.html"
        page.write_text("""<!DOCTYPE html><meta charset="utf-8"><body>""" +
                        svg[svg.index("<svg"):] + """<pre id="out"></pre><script>
const out = [];
const inside = (inner, outer, what) => {
  if (inner.x < outer.x - 0.5 || inner.x + inner.width > outer.x + outer.width + 0.5)
    out.push(what);
};
for (const g of document.querySelectorAll("g.node, g.edge")) {
  const frame = g.querySelector(g.classList.contains("node") ? "polygon" : "path").getBBox();
  for (const t of g.querySelectorAll("text")) inside(t.getBBox(), frame, t.textContent);
}
document.getElementById("out").textContent =
  JSON.stringify({nodes: document.querySelectorAll("g.node").length, outside: out});
</script>""", encoding="utf-8")
        done = subprocess.run(["/usr/bin/chromium", "--headless", "--no-sandbox", "--disable-gpu",
                               "--dump-dom", page.as_uri()], capture_output=True, timeout=120)
        found = re.search(r'<pre id="out">(.*?)</pre>', done.stdout.decode("utf-8"))
        self.assertIsNotNone(found, done.stderr.decode("utf-8", "replace")[-2000:])
        result = json.loads(html.unescape(found.group(1)))
        self.assertEqual(2 * len(wide), result["nodes"])
        self.assertEqual([], result["outside"])


class Inventory(unittest.TestCase):
    def test_the_index_sorts_in_a_browser_and_its_csv_reads(self):
        if not os.path.exists("/usr/bin/chromium"):
            self.skipTest("chromium is not installed")
        with tempfile.TemporaryDirectory() as folder:
            folder = pathlib.Path(folder)
            tree = folder / "tree"
            tree.mkdir()
            subprocess.run([MKMDB, str(SOURCE / "tools/mkmdb/samples/sample.json"),
                            str(tree / "b 見本.mdb")], check=True)
            (tree / "a <壊れ>.mdb").write_bytes(b"Standard Jet DB" * 10)
            subprocess.run([MKMDB, "--synthetic", "tables=40,fields=5,indexes=1,relations=5",
                            str(tree / "c.mdb")], check=True)
            out = folder / "out"
            done = subprocess.run([CLI, "inventory", str(tree), "-o", str(out)], capture_output=True,
                                  env=ENVIRONMENT)
            self.assertEqual(0, done.returncode, done.stderr)
            schema = json.loads((SOURCE / "docs/inventory.schema.json").read_text(encoding="utf-8"))
            jsonschema.Draft202012Validator.check_schema(schema)
            jsonschema.validate(json.loads((out / "inventory.json").read_text(encoding="utf-8")),
                                schema)
            with open(out / "inventory.csv", newline="", encoding="utf-8") as f:
                rows = list(csv.DictReader(f))
            self.assertEqual(["a <壊れ>.mdb", "b 見本.mdb", "c.mdb"],
                             [pathlib.Path(r["path"]).name for r in rows])
            self.assertEqual(["no", "yes", "yes"], [r["opened"] for r in rows])
            page = (out / "index.html").read_text(encoding="utf-8")
            probe = out / "probe.html"
            probe.write_text(page.replace("</body>", """<pre id="out"></pre><script>
const errors = [];
window.addEventListener("error", e => errors.push(String(e.message)));
const heads = Array.from(document.querySelectorAll("#files th"));
const names = () => Array.from(document.querySelectorAll("#files tbody tr"))
    .map(r => r.cells[0].textContent.split("/").pop());
const size = heads.findIndex(th => th.textContent === "localTables");
heads[size].click();
const up = names();
heads[size].click();
document.getElementById("out").textContent = JSON.stringify({up, down: names(), errors});
</script></body>"""), encoding="utf-8")
            done = subprocess.run(["/usr/bin/chromium", "--headless", "--no-sandbox", "--disable-gpu",
                                   "--dump-dom", probe.as_uri()], capture_output=True, timeout=120)
            found = re.search(r'<pre id="out">(.*?)</pre>', done.stdout.decode("utf-8"))
            self.assertIsNotNone(found, done.stderr.decode("utf-8", "replace")[-2000:])
            result = json.loads(html.unescape(found.group(1)))
            self.assertEqual([], result["errors"])
            self.assertEqual(["a <壊れ>.mdb", "b 見本.mdb", "c.mdb"], result["up"])
            self.assertEqual(["c.mdb", "b 見本.mdb", "a <壊れ>.mdb"], result["down"])


    def test_the_link_graph_and_the_reports_show_hostile_names(self):
        if not os.path.exists("/usr/bin/chromium"):
            self.skipTest("chromium is not installed")
        with tempfile.TemporaryDirectory() as folder:
            folder = pathlib.Path(folder)
            back_folder = folder / "tree" / "裏 & <back>"
            back_folder.mkdir(parents=True)
            back = back_folder / 'b "\\N" <&>.mdb'
            subprocess.run([MKMDB, str(SOURCE / "tools/mkmdb/samples/sample.json"), str(back)],
                           check=True)
            front = folder / "tree" / "front.mdb"
            (folder / "front.json").write_text(json.dumps({
                "tables": [{"name": "own", "columns": [{"name": "ID", "type": "long"}]}],
                "linkedTables": [{"name": "t1", "database": str(back)},
                                 {"name": "t2", "database": str(back)},
                                 {"name": "gone", "database": "C:\\gone\\<x>.mdb"}]}),
                encoding="utf-8")
            subprocess.run([MKMDB, str(folder / "front.json"), str(front)], check=True)
            out = folder / "out"
            done = subprocess.run([CLI, "inventory", str(folder / "tree"), "-o", str(out),
                                   "--reports"], capture_output=True, env=ENVIRONMENT)
            self.assertEqual(0, done.returncode, done.stderr)
            svg = ET.parse(out / "links.svg").getroot()
            ns = {"s": "http://www.w3.org/2000/svg"}
            texts = ["".join(t.itertext()) for t in svg.iterfind(".//s:text", ns)]
            self.assertIn(back.name, texts)
            self.assertIn(str(back_folder) + "/", texts)
            self.assertIn("2 テーブル", texts)
            self.assertIn("C:\\gone\\<x>.mdb", texts)
            self.assertEqual(1, len(svg.findall(".//s:g[@class='node missing']", ns)))
            index = json.loads((out / "inventory.json").read_text(encoding="utf-8"))
            self.assertEqual("links.svg", index["linkGraph"])
            for row in index["files"]:
                report = (out / row["fullReport"]).read_bytes()
                self.assertTrue(report.decode("cp932").rstrip().endswith("</html>"), row["path"])
            probe = out / "probe.html"
            probe.write_text((out / "index.html").read_text(encoding="utf-8").replace(
                "</body>", """<pre id="out"></pre><script>
const errors = [];
window.addEventListener("error", e => errors.push(String(e.message)));
window.addEventListener("load", () => {
  const img = document.querySelector("img");
  const reports = Array.from(document.querySelectorAll("#files a")).map(a => a.getAttribute("href"));
  document.getElementById("out").textContent =
    JSON.stringify({width: img.naturalWidth, reports, errors});
});
</script></body>"""), encoding="utf-8")
            done = subprocess.run(["/usr/bin/chromium", "--headless", "--no-sandbox", "--disable-gpu",
                                   "--allow-file-access-from-files", "--dump-dom", probe.as_uri()],
                                  capture_output=True, timeout=120)
            found = re.search(r'<pre id="out">(.*?)</pre>', done.stdout.decode("utf-8"))
            self.assertIsNotNone(found, done.stderr.decode("utf-8", "replace")[-2000:])
            result = json.loads(html.unescape(found.group(1)))
            self.assertEqual([], result["errors"])
            self.assertGreater(result["width"], 100)
            self.assertEqual(sorted(["reports/1.html", "reports/2.html"]), sorted(result["reports"]))

    def test_the_shared_files_fit_the_schema(self):
        if not TESTDATA.is_dir():
            self.skipTest("the shared test data are absent")
        with tempfile.TemporaryDirectory() as folder:
            out = pathlib.Path(folder)
            done = subprocess.run([CLI, "inventory", str(TESTDATA), "-o", str(out)],
                                  capture_output=True, env=ENVIRONMENT)
            self.assertEqual(0, done.returncode, done.stderr)
            index = json.loads((out / "inventory.json").read_text(encoding="utf-8"))
            schema = json.loads((SOURCE / "docs/inventory.schema.json").read_text(encoding="utf-8"))
            jsonschema.validate(index, schema)
            files = sum(1 for p in TESTDATA.rglob("*") if p.suffix.lower() in (".mdb", ".accdb"))
            self.assertEqual(files, len(index["files"]))
            self.assertTrue(index["complete"])


class CommandLine(unittest.TestCase):
    def test_usage_errors_and_files(self):
        with tempfile.TemporaryDirectory() as folder:
            folder = pathlib.Path(folder)
            sample = folder / "sample.mdb"
            subprocess.run([MKMDB, str(SOURCE / "tools/mkmdb/samples/sample.json"), str(sample)],
                           check=True)
            _, _, err = run("--format", "json", "--diagram", str(sample), check_status=(2,))
            self.assertIn("--diagram", err)
            run("diff", str(sample), check_status=(2,))
            run("diff", "--format", "yaml", str(sample), str(sample), check_status=(2,))
            target = folder / "out.json"
            _, out, _ = run("--format", "json", "-o", str(target), str(sample))
            self.assertEqual(f"{target}\n", out)
            self.assertEqual(1, len(json.loads(target.read_text())["databases"]))
            self.assertEqual(["out.json", "sample.mdb"], sorted(p.name for p in folder.iterdir()))
            _, _, err = run("--format", "markdown", "-o", str(folder / "no" / "x.md"), str(sample),
                            check_status=(1,))
            self.assertIn("x.md", err)


class Diff(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        folder = pathlib.Path(cls.tmp.name)
        description = json.loads((SOURCE / "tools/mkmdb/samples/sample.json").read_text())
        cls.old = folder / "old.mdb"
        cls.new = folder / "new.mdb"
        (folder / "old.json").write_text(json.dumps(description, ensure_ascii=False))
        customers = next(t for t in description["tables"] if t["name"] == "顧客")
        next(c for c in customers["columns"] if c["name"] == "電話番号")["size"] = 30
        orders = next(t for t in description["tables"] if t["name"] == "受注")
        orders["indexes"].append({"name": "納期", "columns": ["納期"]})
        description["tables"] = [t for t in description["tables"] if t["name"] != "表示設定"]
        del next(r for r in description["relationships"] if r["name"] == "受注受注明細")["cascadeDelete"]
        (folder / "new.json").write_text(json.dumps(description, ensure_ascii=False))
        for name in ("old", "new"):
            subprocess.run([MKMDB, str(folder / f"{name}.json"), str(folder / f"{name}.mdb")], check=True)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_a_database_against_itself_says_nothing(self):
        for form in ("text", "markdown"):
            self.assertEqual((0, "", ""), run("diff", "--format", form, str(self.old), str(self.old)))
        status, out, _ = run("diff", "--format", "json", str(self.old), str(self.old))
        self.assertEqual([], json.loads(out)["changes"])

    def test_the_four_changes_in_every_format(self):
        status, out, _ = run("diff", str(self.old), str(self.new), check_status=(1,))
        self.assertEqual([
            f"--- {self.old}", f"+++ {self.new}",
            "+ index 受注.納期 (納期)",
            "~ field 顧客.電話番号", "    size: 20 -> 30",
            "- table 表示設定",
            "~ relationship 受注受注明細", "    cascadeDelete: yes -> no"], out.splitlines())

        _, out, _ = run("diff", "--format", "json", str(self.old), str(self.new), check_status=(1,))
        changes = [(c["change"], c["object"], c.get("table", ""), c["name"],
                    [(m["member"], m["old"], m["new"]) for m in c.get("members", [])])
                   for c in json.loads(out)["changes"]]
        self.assertEqual([
            ("added", "index", "受注", "納期", []),
            ("changed", "field", "顧客", "電話番号", [("size", "20", "30")]),
            ("removed", "table", "", "表示設定", []),
            ("changed", "relationship", "", "受注受注明細", [("cascadeDelete", "yes", "no")])], changes)

        _, out, _ = run("diff", "--format", "markdown", str(self.old), str(self.new), check_status=(1,))
        parser, tokens, _ = check_markdown(out)
        self.assertEqual(["added", "changed", "removed", "changed"], cell_texts(parser, tokens, 1))
        self.assertEqual(["受注.納期", "顧客.電話番号", "表示設定", "受注受注明細"],
                         cell_texts(parser, tokens, 3))

    def test_a_database_that_does_not_open_is_trouble(self):
        status, out, err = run("diff", str(self.old), str(self.old) + ".missing", check_status=(2,))
        self.assertEqual("", out)
        self.assertIn("file not found", err)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
