// Draws Mermaid diagrams in headless Chromium with each given Mermaid
// build, as a page that embeds them does (strict security, the SVG put into
// the page), and prints as JSON, for each build and diagram: the parse
// error if any, the text of every label, the elements inside the SVG, the
// elements the SVG's container ended with, and every request the page
// tried to make (each is refused before it leaves the browser).
//
// Usage: node render.mjs NODE_MODULES CHROMIUM DIAGRAMS.json PACKAGE...
// (DIAGRAMS.json: an array of diagram texts)
import { createRequire } from "node:module";
import { readFileSync } from "node:fs";
import path from "node:path";

const [modules, chromiumPath, diagramsFile, ...packages] = process.argv.slice(2);
const require = createRequire(path.join(modules, "index.js"));
const { chromium } = require("playwright-core");
const diagrams = JSON.parse(readFileSync(diagramsFile, "utf8"));

const browser = await chromium.launch({
  executablePath: chromiumPath,
  args: ["--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage"],
});
// The page has an http address, as on a site, so that addresses in names
// resolve; it is served here and nothing else is fetched.
const address = "http://127.0.0.1:9/diagram.html";
const results = {};
try {
  for (const name of packages) {
    const page = await browser.newPage();
    const requests = [];
    page.on("request", (request) => {
      if (request.url() !== address) requests.push(request.url());
    });
    await page.route("**/*", (route) =>
      route.request().url() === address
        ? route.fulfill({ contentType: "text/html", body: "<!doctype html><meta charset=utf-8><body>" })
        : route.abort(),
    );
    await page.goto(address);
    await page.addScriptTag({ path: path.join(modules, name, "dist", "mermaid.min.js") });
    results[name] = [];
    for (const [index, diagram] of diagrams.entries()) {
      const before = requests.length;
      const drawn = await page.evaluate(
        async ({ text, id }) => {
          mermaid.initialize({ startOnLoad: false, securityLevel: "strict" });
          const out = document.createElement("div");
          document.body.replaceChildren(out);
          try {
            const { svg } = await mermaid.render(id, text);
            out.innerHTML = svg;
          } catch (error) {
            return { error: String(error && error.message ? error.message : error) };
          }
          // Time for an element a name made to start loading.
          await new Promise((resolve) => setTimeout(resolve, 200));
          const svg = out.querySelector("svg");
          const labels = [];
          for (const element of svg.querySelectorAll("text, foreignObject")) {
            if (element.localName === "text" && element.closest("foreignObject")) continue;
            labels.push(element.textContent);
          }
          return {
            labels,
            elements: [...svg.querySelectorAll("*")].map((e) => e.localName),
            container: [...out.children].map((e) => e.localName),
          };
        },
        { text: diagram, id: `diagram${index}` },
      );
      drawn.requests = requests.slice(before);
      results[name].push(drawn);
    }
    await page.close();
  }
} finally {
  await browser.close();
}
process.stdout.write(JSON.stringify(results));
