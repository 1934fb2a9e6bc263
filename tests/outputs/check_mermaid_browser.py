#!/usr/bin/python3
"""The Markdown's Mermaid diagram as a browser draws it: the diagrams of
databases whose names are markup (HTML, Markdown, Mermaid's own syntax and
entity codes) drawn by Mermaid 10 and 11 in headless Chromium. Each parses,
no name becomes an element or makes the page load anything, and every
name reads back from the drawing as it is.

Chromium is Debian's (scripts/packages.txt); Mermaid and the browser's
driver are installed from npm into CACHE_DIR on the first run
(mermaid/package.json). Without Chromium, node or npm, or when the
install fails, the test is skipped (exit 77).

Usage: check_mermaid_browser.py BIN_DIR SOURCE_DIR CACHE_DIR"""

import collections
import html
import json
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

from markdown_it import MarkdownIt

BIN, SOURCE, CACHE = (pathlib.Path(a).resolve() for a in sys.argv[1:4])
HERE = SOURCE / "tests/outputs"
CHROMIUM = shutil.which("chromium") or "/usr/bin/chromium"
SKIPPED = 77
FIXTURES = ("hostile.json", "markup-names.json")

ENVIRONMENT = dict(os.environ)
ENVIRONMENT["LSAN_OPTIONS"] = ":".join(filter(None, [
    os.environ.get("LSAN_OPTIONS", ""), f"suppressions={HERE / 'graphviz-leaks.supp'}"]))


def skip(reason):
    print(f"skipped: {reason}")
    sys.exit(SKIPPED)


def install():
    """node_modules with the packages of mermaid/package.json, installed
    when they are missing or the list changed."""
    wanted = (HERE / "mermaid/package.json").read_text()
    modules = CACHE / "node_modules"
    listed = CACHE / "package.json"
    if modules.is_dir() and listed.is_file() and listed.read_text() == wanted:
        return modules
    CACHE.mkdir(parents=True, exist_ok=True)
    listed.write_text(wanted)
    try:
        subprocess.run(["npm", "install", "--no-audit", "--no-fund", "--loglevel=error"],
                       cwd=CACHE, check=True, timeout=300, stdout=subprocess.DEVNULL,
                       env=dict(os.environ, npm_config_update_notifier="false"))
    except (subprocess.SubprocessError, OSError) as error:
        listed.unlink(missing_ok=True)
        skip(f"npm install failed: {error}")
    return modules


def mermaid_blocks(markdown):
    tokens = MarkdownIt("commonmark").parse(markdown)
    return [t.content for t in tokens if t.type == "fence" and t.info.strip() == "mermaid"]


def drawn_by(build, name):
    """What `build` draws for a label `name`. Mermaid 11 reads a label's
    entity codes when it makes the label's HTML and once more in the SVG's
    text, where it takes its own placeholders for them ("ﬂ°°" for "&#",
    "ﬂ°" for "&", "¶ß" for ";"): a name with those characters is drawn with
    them read as HTML character references (as text; no element)."""
    if not build.startswith("mermaid-11"):
        return name
    serialised = html.escape(name, quote=False)
    return html.unescape(serialised.replace("ﬂ°°", "&#").replace("ﬂ°", "&").replace("¶ß", ";"))


def plain(diagram):
    """The same diagram with every label and comment a plain word: what it
    draws has the elements of the diagram that no name could add to."""
    return re.sub(r'"[^"]*"', '"x"', diagram)


class MermaidInBrowser(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        folder = pathlib.Path(cls.tmp.name)
        databases, cls.fixtures = [], []
        for name in FIXTURES:
            description = json.loads((HERE / "fixtures" / name).read_text())
            database = folder / (pathlib.Path(name).stem + ".mdb")
            subprocess.run([str(BIN / "mkmdb"), str(HERE / "fixtures" / name), str(database)],
                           check=True)
            databases.append(str(database))
            cls.fixtures.append(description)
        done = subprocess.run([str(BIN / "tabulon-cli"), "--format", "markdown", *databases],
                              capture_output=True, check=True, timeout=120, env=ENVIRONMENT)
        cls.diagrams = mermaid_blocks(done.stdout.decode("utf-8"))
        assert len(cls.diagrams) == len(FIXTURES), cls.diagrams
        source = folder / "diagrams.json"
        source.write_text(json.dumps(cls.diagrams + [plain(d) for d in cls.diagrams]))
        drawn = subprocess.run(
            ["node", str(HERE / "mermaid/render.mjs"), str(cls.modules), CHROMIUM, str(source),
             *cls.builds], capture_output=True, timeout=120)
        assert drawn.returncode == 0, drawn.stderr.decode("utf-8", "replace")
        cls.drawn = json.loads(drawn.stdout)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def each(self):
        """(build, diagram index, what the diagram drew, what its plain twin
        drew) of the diagrams that parsed"""
        for build in self.builds:
            results = self.drawn[build]
            for index in range(len(self.diagrams)):
                drawn, twin = results[index], results[index + len(self.diagrams)]
                if "error" not in drawn and "error" not in twin:
                    yield build, index, drawn, twin

    def test_every_diagram_parses(self):
        for build in self.builds:
            for index, drawn in enumerate(self.drawn[build]):
                with self.subTest(build=build, diagram=index):
                    self.assertNotIn("error", drawn)
                    self.assertEqual([], drawn["requests"])

    def test_no_name_makes_an_element_or_a_request(self):
        self.assertEqual(len(self.builds) * len(self.diagrams), len(list(self.each())))
        for build, index, drawn, twin in self.each():
            with self.subTest(build=build, diagram=index):
                self.assertEqual([], drawn["requests"])
                self.assertEqual(["svg"], drawn["container"])
                self.assertEqual(collections.Counter(twin["elements"]),
                                 collections.Counter(drawn["elements"]))
                for element in ("img", "script", "b", "em", "strong", "del", "a"):
                    self.assertNotIn(element, drawn["elements"])

    def test_every_name_reads_back_as_it_is(self):
        for build, index, drawn, _ in self.each():
            fixture = self.fixtures[index]
            names = [r["name"] for r in fixture["relationships"]]
            for relationship in fixture["relationships"]:
                names += [relationship["table"], relationship["foreignTable"]]
                for pair in relationship["columns"]:
                    names += [pair["name"], pair["foreignName"]]
            labels = drawn["labels"]
            for name in sorted(set(names)):
                with self.subTest(build=build, diagram=index, name=name):
                    self.assertIn(drawn_by(build, name), labels)

    def test_column_types_are_words_of_their_own(self):
        for build, _, drawn, _ in self.each():
            with self.subTest(build=build):
                self.assertIn("long", drawn["labels"])


def main():
    for tool in ("node", "npm"):
        if shutil.which(tool) is None:
            skip(f"{tool} is not installed")
    if not os.access(CHROMIUM, os.X_OK):
        skip("chromium is not installed")
    MermaidInBrowser.modules = install()
    listed = json.loads((HERE / "mermaid/package.json").read_text())["dependencies"]
    MermaidInBrowser.builds = sorted(name for name in listed if name.startswith("mermaid"))
    result = unittest.main(argv=sys.argv[:1], verbosity=2, exit=False).result
    sys.exit(0 if result.wasSuccessful() else 1)


if __name__ == "__main__":
    main()
