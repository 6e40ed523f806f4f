// Random SVG documents that exercise the paint cascade: style sheets (media
// attributes, @media blocks, type, class, id, attribute, descendant and child
// selectors, !important), style attributes (comments, !important, repeated
// and invalid declarations), presentation attributes, the CSS-wide keywords,
// groups, <use> of shapes, groups and symbols, solid colours, none, and two to
// four linear or radial gradients, some of them borrowing their stops from
// another through href.
//
// The same (seed, index) always gives the same document, whatever the count.
// Every shape, group, use and symbol has an id of its own, so that every
// painted shape, and every shape instance behind a <use>, can be named.
//
//   node tests/cascade_diff/generate.mjs --seed S --count N --out DIR [--plain]
//
// --plain leaves out every style trick: paints only in presentation
// attributes, no sheet, no style attribute, no keyword, no <use>.

import fs from "node:fs";
import path from "node:path";
import { fileURLToPath } from "node:url";

// A 32-bit generator (mulberry32) seeded from the seed and the index.
function random(seed, index) {
  let h = (Math.imul(seed >>> 0, 0x9e3779b1) ^ Math.imul((index + 1) >>> 0, 0x85ebca6b)) >>> 0;
  h = Math.imul(h ^ (h >>> 16), 0x7feb352d);
  h = Math.imul(h ^ (h >>> 15), 0x846ca68b);
  let state = (h ^ (h >>> 16)) >>> 0;
  return () => {
    state = (state + 0x6d2b79f5) >>> 0;
    let t = state;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
}

export const SHAPE_TAGS = ["rect", "circle", "ellipse", "path", "polygon", "line"];
const CLASSES = ["a", "b", "c", "d"];
const DATA_VALUES = ["v1", "v2", "v3"];
const KEYWORDS = ["inherit", "initial", "unset", "revert"];
const COLOURS = ["red", "green", "blue", "gold", "teal", "#0a0", "#123456", "#fe8", "rgb(10, 200, 30)",
  "rgb(90%, 10%, 40%)", "hsl(200, 50%, 40%)", "purple"];
// Values that are not paints, and one that looks like none but is: "url(#"
// is a url closed by the end of the value, a reference to nothing.
const INVALID = ["bogus", "url(#", "#12", "rgb(1,2)", "12px", "red blue", "url(#GRAD) bogus", "none red"];
const MEDIA_ATTRIBUTES = ["screen", "print", "all", "screen, print", "print, all"];
const MEDIA_BLOCKS = ["screen", "print", "all"];

class Element {
  constructor(tag, attributes = []) {
    this.tag = tag;
    this.attributes = attributes;  // [name, value] in document order
    this.children = [];
    this.text = null;              // raw text content (style sheets)
  }
  set(name, value) { this.attributes.push([name, value]); return this; }
  get(name) { const a = this.attributes.find(([n]) => n === name); return a ? a[1] : undefined; }
  add(child) { this.children.push(child); return child; }
}

const escapeAttribute = (v) => v.replace(/&/g, "&amp;").replace(/</g, "&lt;").replace(/"/g, "&quot;");

function serialize(element, depth = 0) {
  const pad = "  ".repeat(depth);
  const attributes = element.attributes.map(([n, v]) => ` ${n}="${escapeAttribute(v)}"`).join("");
  if (element.text !== null) return `${pad}<${element.tag}${attributes}>${element.text}</${element.tag}>\n`;
  if (element.children.length === 0) return `${pad}<${element.tag}${attributes}/>\n`;
  return `${pad}<${element.tag}${attributes}>\n${element.children.map((c) => serialize(c, depth + 1)).join("")}` +
    `${pad}</${element.tag}>\n`;
}

class Generator {
  constructor(seed, index, plain) {
    this.next = random(seed, index);
    this.plain = plain;
    this.counters = {};
    this.gradients = [];     // ids
    this.targets = [];       // ids a <use> may refer to (finished elements, never an ancestor of the use)
    this.named = [];         // {id, tag} of every element with paints, for id selectors
  }

  chance(p) { return this.next() < p; }
  int(lo, hi) { return lo + Math.floor(this.next() * (hi - lo + 1)); }
  pick(list) { return list[Math.floor(this.next() * list.length)]; }
  id(prefix) { this.counters[prefix] = (this.counters[prefix] || 0) + 1; return `${prefix}${this.counters[prefix]}`; }

  // A paint value; `css` says whether it is written in CSS (sheet or style
  // attribute) rather than in a presentation attribute.
  paint(css) {
    const url = (id) => {
      if (!css || this.chance(0.7)) return `url(#${id})`;
      return this.chance(0.5) ? `url("#${id}")` : `url('#${id}')`;
    };
    if (this.plain) {
      const r = this.next();
      if (r < 0.5) return url(this.pick(this.gradients));
      if (r < 0.85) return this.pick(COLOURS);
      return "none";
    }
    const r = this.next();
    if (r < 0.38) return url(this.pick(this.gradients));
    if (r < 0.42) return `${url(this.pick(this.gradients))} ${this.pick(["red", "none", "#00f"])}`;
    if (r < 0.62) return this.pick(COLOURS);
    if (r < 0.65) return "currentColor";
    if (r < 0.72) return "none";
    if (r < 0.88) return this.pick(KEYWORDS);
    if (r < 0.89) return "url(#nowhere)";
    return this.pick(INVALID).replace("GRAD", this.pick(this.gradients));
  }

  // One declaration of a style attribute or rule.
  declaration() {
    const r = this.next();
    let name;
    let value;
    if (r < 0.45) [name, value] = ["fill", this.paint(true)];
    else if (r < 0.85) [name, value] = ["stroke", this.paint(true)];
    else if (r < 0.92) [name, value] = ["color", this.pick(COLOURS)];
    else [name, value] = [this.pick(["stroke-width", "opacity"]), this.pick(["2", "0.9", "bogus"])];
    const important = this.chance(0.15) ? this.pick([" !important", "!important", " ! important"]) : "";
    const colon = this.pick([":", ": ", " : "]);
    const comment = this.chance(0.15) ? this.pick(["/* note */", "/*x*/ "]) : "";
    return this.chance(0.5) ? `${comment}${name}${colon}${value}${important}` : `${name}${colon}${comment}${value}${important}`;
  }

  declarations(count) {
    const list = [];
    for (let i = 0; i < count; ++i) {
      const d = this.declaration();
      list.push(d);
      // The same property again: the later one wins unless it is invalid or less important.
      if (this.chance(0.15)) list.push(d.startsWith("fill") ? `fill:${this.paint(true)}` : `stroke:${this.paint(true)}`);
    }
    let text = list.join(this.pick([";", "; ", " ;"]));
    if (this.chance(0.4)) text += ";";
    return text;
  }

  // Paints, classes and data attributes on an element that may be selected or inherited from.
  decorate(element, p = 1) {
    if (this.chance(0.45 * p)) element.set("fill", this.paint(false));
    if (this.chance(0.35 * p)) element.set("stroke", this.paint(false));
    if (this.plain) return element;
    if (this.chance(0.08 * p)) element.set("color", this.pick(COLOURS));
    if (this.chance(0.3 * p)) element.set("style", this.declarations(this.int(1, 3)));
    if (this.chance(0.4)) {
      const classes = [this.pick(CLASSES)];
      if (this.chance(0.3)) classes.push(this.pick(CLASSES));
      element.set("class", [...new Set(classes)].join(" "));
    }
    if (this.chance(0.2)) element.set("data-k", this.pick(DATA_VALUES));
    return element;
  }

  shape() {
    const tag = this.pick(SHAPE_TAGS);
    const id = this.id("s");
    const x = this.int(0, 180);
    const y = this.int(0, 180);
    const geometry = {
      rect: [["x", x], ["y", y], ["width", 20], ["height", 14]],
      circle: [["cx", x + 8], ["cy", y + 8], ["r", 8]],
      ellipse: [["cx", x + 10], ["cy", y + 6], ["rx", 10], ["ry", 6]],
      path: [["d", `M${x} ${y}h20v12h-20z`]],
      polygon: [["points", `${x},${y} ${x + 18},${y} ${x + 9},${y + 15}`]],
      line: [["x1", x], ["y1", y], ["x2", x + 20], ["y2", y + 10]],
    }[tag];
    const element = new Element(tag, [["id", id], ...geometry.map(([n, v]) => [n, String(v)])]);
    this.named.push({ id, tag });
    return this.decorate(element);
  }

  use() {
    const id = this.id("u");
    const target = this.pick(this.targets);
    const element = new Element("use", [["id", id], [this.chance(0.5) ? "href" : "xlink:href", `#${target}`]]);
    if (this.chance(0.5)) element.set("x", String(this.int(-20, 20))).set("y", String(this.int(-20, 20)));
    this.named.push({ id, tag: "use" });
    return this.decorate(element, 1.3);
  }

  // A shape, a group of children, or (when something can be referred to) a use.
  item(depth, allowUse) {
    const r = this.next();
    if (r < 0.22 && depth < 3) return this.group(depth + 1, allowUse);
    if (r < 0.42 && allowUse && this.targets.length > 0) return this.use();
    return this.shape();
  }

  group(depth, allowUse) {
    const id = this.id("g");
    const element = this.decorate(new Element("g", [["id", id]]), 1.2);
    this.named.push({ id, tag: "g" });
    const count = this.int(1, 4);
    for (let i = 0; i < count; ++i) element.add(this.item(depth, allowUse));
    return element;
  }

  gradient(index) {
    const radial = this.chance(0.4);
    const id = `grad${"ABCD"[index]}`;
    const element = new Element(radial ? "radialGradient" : "linearGradient", [["id", id]]);
    if (!radial && this.chance(0.5)) element.set("x2", "0").set("y2", "1");
    if (radial && this.chance(0.5)) element.set("r", "0.7");
    let ownStops = true;
    if (index > 0 && this.chance(0.35)) {
      element.set(this.chance(0.5) ? "href" : "xlink:href", `#${this.pick(this.gradients)}`);
      ownStops = this.chance(0.4);
    }
    if (ownStops) {
      const count = this.int(2, 3);
      for (let i = 0; i < count; ++i) {
        const stop = new Element("stop", [["offset", String(i / (count - 1))]]);
        const colour = this.pick(COLOURS);
        if (this.plain || this.chance(0.7)) stop.set("stop-color", colour);
        else stop.set("style", `stop-color:${colour}`);
        element.add(stop);
      }
    }
    this.gradients.push(id);
    return element;
  }

  // A selector matching some of the document's elements (or none).
  selector() {
    const named = () => this.pick(this.named);
    const type = () => this.pick([...SHAPE_TAGS, "g", "use", "*"]);
    const simple = () => {
      const r = this.next();
      if (r < 0.25) return type();
      if (r < 0.5) return `.${this.pick(CLASSES)}`;
      if (r < 0.6) return `${this.pick(SHAPE_TAGS)}.${this.pick(CLASSES)}`;
      if (r < 0.8) return `#${named().id}`;
      if (r < 0.87) return "[data-k]";
      if (r < 0.94) return `[data-k="${this.pick(DATA_VALUES)}"]`;
      return `${type()}[class~="${this.pick(CLASSES)}"]`;
    };
    const container = () => this.pick(["g", "svg", `#${this.pick(this.named.filter((n) => n.tag === "g").concat([{ id: "root" }])).id}`, `.${this.pick(CLASSES)}`, "use", "symbol"]);
    const r = this.next();
    let selector;
    if (r < 0.55) selector = simple();
    else if (r < 0.78) selector = `${container()} ${simple()}`;
    else selector = `${container()} > ${simple()}`;
    if (this.chance(0.15)) selector += `, ${simple()}`;
    return selector;
  }

  rule() {
    return `${this.selector()} { ${this.declarations(this.int(1, 2))} }`;
  }

  sheet() {
    const parts = [];
    const count = this.int(1, 6);
    for (let i = 0; i < count; ++i) {
      if (this.chance(0.2)) {
        const inner = [];
        for (let j = this.int(1, 2); j > 0; --j) inner.push(this.rule());
        parts.push(`@media ${this.pick(MEDIA_BLOCKS)} { ${inner.join(" ")} }`);
      } else {
        parts.push(this.rule());
      }
      if (this.chance(0.1)) parts.push("/* a comment */");
    }
    const style = new Element("style");
    if (this.chance(0.25)) style.set("media", this.pick(MEDIA_ATTRIBUTES));
    const text = parts.join("\n");
    style.text = this.chance(0.2) ? `<![CDATA[\n${text}\n]]>` : `\n${text}\n`;
    return style;
  }

  document() {
    const root = new Element("svg", [["xmlns", "http://www.w3.org/2000/svg"],
      ["xmlns:xlink", "http://www.w3.org/1999/xlink"], ["id", "root"], ["width", "220"], ["height", "220"]]);
    const defs = new Element("defs", [["id", "defs"]]);
    const gradientCount = this.int(2, 4);
    for (let i = 0; i < gradientCount; ++i) defs.add(this.gradient(i));
    this.decorate(root, 0.4);
    if (!this.plain) {
      // What a <use> may show: shapes and groups in <defs>, and symbols.
      for (let i = this.int(0, 3); i > 0; --i) {
        const element = this.chance(0.5) ? this.shape() : this.group(2, true);
        defs.add(element);
        this.targets.push(element.get("id"));
      }
      for (let i = this.int(0, 2); i > 0; --i) {
        const symbol = this.decorate(new Element("symbol", [["id", this.id("y")]]), 0.8);
        this.named.push({ id: symbol.get("id"), tag: "symbol" });
        for (let j = this.int(1, 3); j > 0; --j) symbol.add(this.item(2, true));
        defs.add(symbol);
        this.targets.push(symbol.get("id"));
      }
    }
    const body = [];
    const count = this.int(4, 10);
    for (let i = 0; i < count; ++i) {
      const element = this.item(0, !this.plain);
      body.push(element);
      // Only finished elements may be shown again, so no use is inside what it shows.
      if (!this.plain && element.tag !== "use") this.targets.push(element.get("id"));
    }
    // The sheets come last among the generated parts, so that their id
    // selectors can name any element; they are written first.
    const sheets = [];
    if (!this.plain) for (let i = this.pick([0, 1, 1, 1, 2]); i > 0; --i) sheets.push(this.sheet());
    root.children = [...sheets, defs, ...body];
    return `<?xml version="1.0" encoding="UTF-8"?>\n${serialize(root)}`;
  }
}

// The document of `index` for `seed`.
export function generateDocument(seed, index, { plain = false } = {}) {
  return new Generator(seed, index, plain).document();
}

// The file name of that document.
export function documentName(seed, index, { plain = false } = {}) {
  return `${plain ? "plain" : "doc"}-${seed}-${String(index).padStart(4, "0")}.svg`;
}

if (process.argv[1] && path.resolve(process.argv[1]) === fileURLToPath(import.meta.url)) {
  const args = process.argv.slice(2);
  const value = (name, fallback) => { const i = args.indexOf(name); return i >= 0 ? args[i + 1] : fallback; };
  const seed = Number(value("--seed", "1"));
  const count = Number(value("--count", "10"));
  const first = Number(value("--first", "0"));
  const out = value("--out", null);
  const plain = args.includes("--plain");
  if (!out || !Number.isInteger(seed) || !Number.isInteger(count)) {
    console.error("usage: node tests/cascade_diff/generate.mjs --seed S --count N [--first I] --out DIR [--plain]");
    process.exit(2);
  }
  fs.mkdirSync(out, { recursive: true });
  for (let i = first; i < first + count; ++i)
    fs.writeFileSync(path.join(out, documentName(seed, i, { plain })), generateDocument(seed, i, { plain }));
}
