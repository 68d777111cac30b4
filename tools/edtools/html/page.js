// The page's script: a virtualised tree of the structure's instances, the selection's details, and
// every component's bounding box in one instanced mesh. The rows come in walk order, so a component's
// subtree is the run of rows from it to end[it], and a parent always precedes its children.
'use strict';

// Both data blocks come gzipped and in base64: a fraction of the text for the browser's HTML parser,
// which reads a big script element far slower than the inflater reads its input. The input goes in
// at once and the output is read chunk by chunk: streaming the input in, or reading the output
// through a Response, takes several times as long.
async function inflate(id) {
  const text = document.getElementById(id).textContent;
  const bytes = Uint8Array.fromBase64 ? Uint8Array.fromBase64(text) : Uint8Array.from(atob(text), (c) => c.charCodeAt(0));
  const stream = new DecompressionStream('gzip');
  const writer = stream.writable.getWriter();
  writer.write(bytes).catch(() => {});  // a failure reaches the reader too
  writer.close().catch(() => {});
  const chunks = [];
  const reader = stream.readable.getReader();  // not iterated with for-await, which not every browser has
  for (let part; !(part = await reader.read()).done;) chunks.push(part.value);
  const all = new Uint8Array(chunks.reduce((length, chunk) => length + chunk.length, 0));
  chunks.reduce((at, chunk) => (all.set(chunk, at), at + chunk.length), 0);
  return all;
}

// The scene, as HtmlWriter.cpp writes it: the length of a JSON head, the head (with the tables of
// texts and colours and the number of distinct boxes), then columns of one value per row and the
// box table's, which become typed arrays without a copy.
async function readScene() {
  const { buffer } = await inflate('scene');
  const length = new DataView(buffer).getUint32(0, true);
  const head = JSON.parse(new TextDecoder().decode(new Uint8Array(buffer, 4, length)));
  let at = 4 + length;
  const column = (Type, length = head.count) => {
    const values = new Type(buffer, at, length);
    at += values.byteLength;
    return values;
  };
  return { head, parent: column(Int32Array), name: column(Int32Array), id: column(Int32Array),
           colour: column(Int32Array), box: column(Int32Array), place: column(Float32Array, 8 * head.count),
           boxes: column(Float32Array, 6 * head.boxes), flags: column(Uint8Array) };
}
const kProxy = 1, kHidden = 2, kLocated = 4;
const kRowHeight = 22;
const kUncoloured = [0.8, 0.8, 0.8, 1];
const kHighlight = [1.0, 0.55, 0.1];
const kMostOutlined = 5000;

// A page opened from disk can import no module by URL, so three.js becomes a blob URL.
function loadThree() {
  const text = document.getElementById('three').textContent;
  return import(URL.createObjectURL(new Blob([text], { type: 'text/javascript' })));
}
// Inflating the structure and compiling three.js overlap.
const [columns, THREE] = await Promise.all([readScene(), loadThree()]);
const { head: data, parent, flags } = columns;
const count = data.count;
const texts = data.texts;
// ed-diff's page: the new structure's rows with the old one's removed rows among them, each with its
// state, and the list of changes.
const diff = data.diff;
const kStates = ['', 'added', 'added', 'removed', 'removed', 'changed', 'reparented'];
const kSigns = { added: '+', removed: '-', changed: '~', reparented: '>' };
const kStateColours = { '': [0.8, 0.8, 0.82, 1], added: [0.2, 0.7, 0.3, 1], removed: [0.9, 0.2, 0.2, 0.3],
                        changed: [0.95, 0.82, 0.25, 1], reparented: [0.25, 0.5, 0.95, 1] };
const stateOf = (i) => kStates[diff.state[i]];
const listed = new Map();  // row -> its change [row, kind, path, old path]
const label = (i) => (columns.name[i] >= 0 ? texts[columns.name[i]] : '(unnamed)');
const idOf = (i) => (columns.id[i] >= 0 ? texts[columns.id[i]] : '');
// Column k of the placement (translation, rotation x y z w, scale) and of the box (min, max).
const place = (i, k) => columns.place[k * count + i];
const boxValue = (i, k) => columns.boxes[k * data.boxes + columns.box[i]];

// ---- The tree model ----
const depth = new Int32Array(count);
const end = new Int32Array(count);  // one past the last row of the subtree
const expanded = new Uint8Array(count);
const shown = new Uint8Array(count);  // hidden instances the user turned on
let keep = null;  // while searching: the matches and their ancestors
let matches = null;
for (let i = 0; i < count; ++i) {
  depth[i] = parent[i] < 0 ? 0 : depth[parent[i]] + 1;
  end[i] = i + 1;
  expanded[i] = depth[i] < 1 ? 1 : 0;
}
for (let i = count - 1; i >= 0; --i)
  if (parent[i] >= 0) end[parent[i]] = Math.max(end[parent[i]], end[i]);

const isHidden = (i) => (flags[i] & kHidden) !== 0;

let visible = [];
function listVisible() {
  visible = [];
  for (let i = 0; i < count;) {
    if (keep && !keep[i]) { i = end[i]; continue; }
    visible.push(i);
    i = expanded[i] ? i + 1 : end[i];
  }
}

let lowerTexts = null;
function search(text) {
  const query = text.trim().toLowerCase();
  keep = matches = null;
  let found = 0;
  if (query) {
    keep = new Uint8Array(count);
    matches = new Uint8Array(count);
    lowerTexts ??= texts.map((text) => text.toLowerCase());
    const hit = lowerTexts.map((text) => text.includes(query));
    for (let i = 0; i < count; ++i) {
      if (!hit[columns.name[i]] && !hit[columns.id[i]]) continue;
      matches[i] = keep[i] = 1;
      ++found;
      for (let p = parent[i]; p >= 0 && !keep[p]; p = parent[p]) keep[p] = expanded[p] = 1;
      for (let p = parent[i]; p >= 0; p = parent[p]) expanded[p] = 1;
    }
  }
  setStatus(query ? `${found} of ${count} components match` : `${count} components`);
  listVisible();
  renderTree();
  return found;
}

function revealRow(i) {
  for (let p = parent[i]; p >= 0; p = parent[p]) expanded[p] = 1;
  if (keep && !keep[i]) { document.getElementById('search').value = ''; keep = matches = null; }
  listVisible();
  const at = visible.indexOf(i);
  const tree = document.getElementById('tree');
  const top = at * kRowHeight;
  if (top < tree.scrollTop || top + kRowHeight > tree.scrollTop + tree.clientHeight)
    tree.scrollTop = top - tree.clientHeight / 2;
  renderTree();
}

// ---- The tree panel: only the rows in sight are built ----
let selected = -1;
const treeElement = document.getElementById('tree');
const space = document.getElementById('tree-space');

function setStatus(text) { document.getElementById('tree-status').textContent = text; }

function element(tag, className, text) {
  const e = document.createElement(tag);
  if (className) e.className = className;
  if (text !== undefined) e.textContent = text;
  return e;
}

function rowElement(i, at) {
  const row = element('div', 'row');
  if (i === selected) row.classList.add('selected');
  if (matches && matches[i]) row.classList.add('match');
  row.dataset.row = i;
  row.style.top = `${at * kRowHeight}px`;
  row.style.paddingLeft = `${4 + depth[i] * 14}px`;
  row.append(element('span', 'toggle', end[i] > i + 1 ? (expanded[i] ? '▾' : '▸') : ''));
  if (diff) markRow(row, i);
  row.append(element('span', 'name', label(i)));
  if (idOf(i)) row.append(element('span', 'id', idOf(i)));
  if (flags[i] & kProxy) row.append(element('span', 'badge', 'proxy'));
  if (isHidden(i)) row.append(element('span', 'badge hidden' + (shown[i] ? ' shown' : ''), shown[i] ? 'shown' : 'hidden'));
  return row;
}

function renderTree() {
  space.style.height = `${visible.length * kRowHeight}px`;
  const first = Math.max(0, Math.floor(treeElement.scrollTop / kRowHeight) - 10);
  const last = Math.min(visible.length, first + Math.ceil(treeElement.clientHeight / kRowHeight) + 20);
  const fragment = document.createDocumentFragment();
  for (let at = first; at < last; ++at) fragment.append(rowElement(visible[at], at));
  space.replaceChildren(fragment);
}

let scrollPending = false;
treeElement.addEventListener('scroll', () => {
  if (scrollPending) return;
  scrollPending = true;
  requestAnimationFrame(() => { scrollPending = false; renderTree(); });
});

treeElement.addEventListener('click', (event) => {
  const row = event.target.closest('.row');
  if (!row) return;
  const i = Number(row.dataset.row);
  if (event.target.classList.contains('toggle')) {
    expanded[i] ^= 1;
    listVisible();
    renderTree();
  } else if (event.target.classList.contains('hidden')) {
    shown[i] ^= 1;
    boxes.place(i);
    renderTree();
  } else {
    select(i);
  }
});

let searchTimer = 0;
const searchBox = document.getElementById('search');
searchBox.addEventListener('input', () => {
  clearTimeout(searchTimer);
  searchTimer = setTimeout(() => search(searchBox.value), count > 20000 ? 250 : 0);
});
searchBox.addEventListener('keydown', (event) => {
  if (event.key !== 'Enter') return;
  clearTimeout(searchTimer);
  search(searchBox.value);
  const first = visible.find((i) => matches && matches[i]);
  if (first !== undefined) select(first);
});

// ---- Placement: every row's world matrix, the structure turned to the view's Y-up ----
const finite = (v, otherwise = 0) => (Number.isFinite(v) ? v : otherwise);
const upMatrix = new THREE.Matrix4();
if (data.up === 'z') upMatrix.makeRotationX(-Math.PI / 2);

// Scratch values: a big structure would otherwise allocate millions of them before the first picture.
const centre = new THREE.Vector3(), size = new THREE.Vector3(), noTurn = new THREE.Quaternion();
const turn = new THREE.Quaternion(), scratch = new THREE.Matrix4();
const offMatrix = new THREE.Matrix4().makeScale(0, 0, 0);
const paintColour = new THREE.Color();
const worldOf = (i, m = scratch) => m.fromArray(world, 16 * i);

function localMatrix(i, m) {
  if (!(flags[i] & kLocated)) return m.identity();
  centre.set(finite(place(i, 0)), finite(place(i, 1)), finite(place(i, 2)));
  turn.set(finite(place(i, 3)), finite(place(i, 4)), finite(place(i, 5)), finite(place(i, 6)));
  if (turn.length() === 0) turn.identity(); else turn.normalize();
  const s = finite(place(i, 7), 1);
  return m.compose(centre, turn, size.set(s, s, s));
}

// Every row's world matrix, 16 values a row, and its colour: the nearest colour override on the
// path, as the host paints, as an index into the palette.
const world = new Float32Array(16 * count);
const palette = [...data.colours, (data.rootAppearance?.color ?? kUncoloured).map((v) => finite(v, 1))];
const paint = new Int32Array(count);
const colourOf = (i) => palette[paint[i]];
for (let i = 0, m = new THREE.Matrix4(); i < count; ++i) {
  localMatrix(i, m).premultiply(parent[i] < 0 ? upMatrix : worldOf(parent[i])).toArray(world, 16 * i);
  paint[i] = columns.colour[i] >= 0 ? columns.colour[i] : parent[i] < 0 ? palette.length - 1 : paint[parent[i]];
}

if (diff) paintByState();

function boxMatrix(i, m) {
  if (columns.box[i] < 0) return null;
  const [x0, y0, z0, x1, y1, z1] = [0, 1, 2, 3, 4, 5].map((k) => finite(boxValue(i, k)));
  centre.set((x0 + x1) / 2, (y0 + y1) / 2, (z0 + z1) / 2);
  size.set(Math.abs(x1 - x0), Math.abs(y1 - y0), Math.abs(z1 - z0));
  return m.compose(centre, noTurn, size).premultiply(worldOf(i));
}

// ---- The boxes: one instanced mesh, and a second for translucent colours, which blend ----
const scene = new THREE.Scene();
scene.add(new THREE.HemisphereLight(0xffffff, 0x8090a0, 1.6));
const sun = new THREE.DirectionalLight(0xffffff, 1.8);
sun.position.set(2, 5, 3);
scene.add(sun);

const unlitFrom = 20000;

class Boxes {
  constructor() {
    this.matrix = new Float32Array(16 * count);  // each row's box in world space
    this.mesh = new Int8Array(count).fill(-1);  // which of the two meshes draws the row's box
    this.slot = new Int32Array(count);
    this.hiddenAbove = new Uint8Array(count);  // the row or one above it is a hidden instance left off
    const members = [[], []];
    for (let i = 0, box = new THREE.Matrix4(); i < count; ++i) {
      if (!boxMatrix(i, box)) continue;
      box.toArray(this.matrix, 16 * i);
      const m = colourOf(i)[3] < 1 ? 1 : 0;
      this.mesh[i] = m;
      this.slot[i] = members[m].length;
      members[m].push(i);
    }
    this.rows = members;
    const geometry = new THREE.BoxGeometry(1, 1, 1);
    // Each face gets a fixed shade, which stands in for lighting where the boxes are unlit.
    const shades = [0.8, 0.8, 1, 0.55, 0.9, 0.7].flatMap((shade) => Array(12).fill(shade));
    geometry.setAttribute('color', new THREE.Float32BufferAttribute(shades, 3));
    this.meshes = members.map((list, m) => {
      // Faces step back a little, so that the edges drawn over them are not lost to depth fighting.
      const faces = { polygonOffset: true, polygonOffsetFactor: 1, polygonOffsetUnits: 1 };
      const options = m ? { ...faces, transparent: true, opacity: 0.45, depthWrite: false } : faces;
      // Lighting every fragment makes a software renderer's first frame seconds long on big structures.
      const material = count > unlitFrom
        ? new THREE.MeshBasicMaterial({ ...options, vertexColors: true }) : new THREE.MeshLambertMaterial(options);
      const mesh = new THREE.InstancedMesh(geometry, material, Math.max(list.length, 1));
      mesh.count = list.length;
      mesh.visible = list.length > 0;
      scene.add(mesh);
      return mesh;
    });
    for (let i = 0; i < count; ++i) if (this.mesh[i] >= 0) this.paint(i, false);
    if (count) this.settle(0);
    this.update(true);
  }

  off(i) { return this.hiddenAbove[i] === 1; }

  // Parents come before their children, so one pass over a subtree settles what is off in it.
  settle(i) {
    for (let k = i; k < end[i]; ++k) {
      this.hiddenAbove[k] = (isHidden(k) && !shown[k] && !showAllHidden) || (parent[k] >= 0 && this.hiddenAbove[parent[k]]) ? 1 : 0;
      if (this.mesh[k] >= 0) this.setMatrix(k);
    }
  }

  boxOf(i, m = scratch) { return m.fromArray(this.matrix, 16 * i); }

  setMatrix(i) {
    const array = this.meshes[this.mesh[i]].instanceMatrix.array;
    array.set(this.off(i) ? offMatrix.elements : this.matrix.subarray(16 * i, 16 * i + 16), 16 * this.slot[i]);
  }

  paint(i, highlighted) {
    const [r, g, b] = highlighted ? kHighlight : colourOf(i);
    // Linear, as the glTF export hands the same colours to viewers.
    this.meshes[this.mesh[i]].setColorAt(this.slot[i], paintColour.setRGB(r, g, b));
  }

  // Visibility of the subtree of `i` follows its hidden instances' switches.
  place(i) {
    this.settle(i);
    this.update(true);
    outlineAll();
    draw();
  }

  highlight(i, on) {
    if (i < 0) return;
    for (let k = i; k < end[i]; ++k) if (this.mesh[k] >= 0) this.paint(k, on);
    this.update(false);
  }

  // The bounding sphere, which culling and picking use, only changes with the matrices.
  update(moved) {
    for (const mesh of this.meshes) {
      if (mesh.instanceColor) mesh.instanceColor.needsUpdate = true;
      if (!moved) continue;
      mesh.instanceMatrix.needsUpdate = true;
      mesh.computeBoundingSphere();
    }
  }

  // Adds the boxes of the subtree of `i` that are on to `bounds`, in world space: a turned unit box
  // reaches from its centre half the sum of the absolute values of its matrix's row on each axis.
  addTo(bounds, i) {
    const e = this.matrix, reach = new THREE.Vector3(), near = new THREE.Vector3(), far = new THREE.Vector3();
    const half = (m, axis) => (Math.abs(e[m + axis]) + Math.abs(e[m + 4 + axis]) + Math.abs(e[m + 8 + axis])) / 2;
    for (let k = i; k < end[i]; ++k) {
      if (this.mesh[k] < 0 || this.off(k)) continue;
      const m = 16 * k;
      reach.set(half(m, 0), half(m, 1), half(m, 2));
      bounds.expandByPoint(near.fromArray(e, m + 12).sub(reach)).expandByPoint(far.fromArray(e, m + 12).add(reach));
    }
  }
}

let showAllHidden = false;
const boxes = new Boxes();

// Box faces alone read as flat patches; edges show where one part ends. Left out on big structures.
const unitEdges = new THREE.EdgesGeometry(new THREE.BoxGeometry(1, 1, 1)).getAttribute('position');
function edgeLines(i, colour, onTop) {
  const points = [];
  const p = new THREE.Vector3();
  for (let k = i; k < end[i]; ++k) {
    if (boxes.mesh[k] < 0 || boxes.off(k)) continue;
    const box = boxes.boxOf(k);
    for (let v = 0; v < unitEdges.count; ++v) points.push(...p.fromBufferAttribute(unitEdges, v).applyMatrix4(box).toArray());
  }
  const geometry = new THREE.BufferGeometry();
  geometry.setAttribute('position', new THREE.Float32BufferAttribute(points, 3));
  const lines = new THREE.LineSegments(geometry, new THREE.LineBasicMaterial({ color: colour, depthTest: !onTop }));
  if (onTop) lines.renderOrder = 1;
  return lines;
}
let outline = null, selectionOutline = null;
function replaceLines(old, lines) {
  if (old) { scene.remove(old); old.geometry.dispose(); }
  if (lines) scene.add(lines);
  return lines;
}
function outlineAll() {
  const total = boxes.rows[0].length + boxes.rows[1].length;
  outline = replaceLines(outline, count && total <= kMostOutlined ? edgeLines(0, 0x333333) : null);
  outlineSelection();
}
function outlineSelection() {
  const small = selected >= 0 && end[selected] - selected <= kMostOutlined;
  selectionOutline = replaceLines(selectionOutline, small ? edgeLines(selected, 0xff5a00, true) : null);
}

// ---- The camera: orbit about a target, pan, zoom; drawn only when something changed ----
const view = document.getElementById('view');
// Multisampling multiplies the cost of every frame, which a software renderer feels on big structures.
const renderer = new THREE.WebGLRenderer({ antialias: count <= kMostOutlined });
renderer.setPixelRatio(window.devicePixelRatio || 1);
renderer.setClearColor(0xf4f5f7);
view.append(renderer.domElement);
const camera = new THREE.PerspectiveCamera(35, 1, 0.001, 1000);
const target = new THREE.Vector3();

let drawPending = false;
function draw() {
  if (drawPending) return;
  drawPending = true;
  requestAnimationFrame(() => { drawPending = false; renderer.render(scene, camera); });
}

function resize() {
  const { clientWidth: w, clientHeight: h } = view;
  renderer.setSize(w, h);
  camera.aspect = w / Math.max(h, 1);
  camera.updateProjectionMatrix();
  renderTree();
  draw();
}
new ResizeObserver(resize).observe(view);

function bounds(i) {
  const box = new THREE.Box3();
  boxes.addTo(box, i);
  if (box.isEmpty())
    for (let k = i; k < end[i]; ++k) box.expandByPoint(new THREE.Vector3().setFromMatrixPosition(worldOf(k)));
  return box;
}

// Frames the subtree of `i` (all when -1), looking along `direction` with `up` as the camera's up.
function fit(i, direction = new THREE.Vector3(1, 0.7, 1.2).normalize(), up = new THREE.Vector3(0, 1, 0)) {
  const box = count ? bounds(Math.max(i, 0)) : new THREE.Box3();
  if (box.isEmpty()) return draw();
  box.getCenter(target);
  const radius = Math.max(box.getSize(new THREE.Vector3()).length() / 2, 1e-3);
  const vertical = THREE.MathUtils.degToRad(camera.fov) / 2;
  const half = Math.min(vertical, Math.atan(Math.tan(vertical) * camera.aspect));
  const distance = 1.05 * radius / Math.sin(half);
  camera.near = distance / 1000;
  camera.far = distance * 1000;
  camera.updateProjectionMatrix();
  camera.position.copy(target).addScaledVector(direction, distance);
  camera.up.copy(up);
  camera.lookAt(target);
  draw();
}

// A view point turns the component in front of a camera that looks along its -Z.
function viewFrom(i, orientation) {
  const turn = new THREE.Quaternion(...orientation.map((v) => finite(v)));
  if (turn.length() === 0) turn.identity(); else turn.normalize();
  const rotation = new THREE.Quaternion().setFromRotationMatrix(new THREE.Matrix4().extractRotation(worldOf(i)));
  const toCamera = rotation.multiply(turn.invert());
  fit(i, new THREE.Vector3(0, 0, 1).applyQuaternion(toCamera), new THREE.Vector3(0, 1, 0).applyQuaternion(toCamera));
}

let drag = null;
view.addEventListener('contextmenu', (event) => event.preventDefault());
renderer.domElement.addEventListener('pointerdown', (event) => {
  drag = { x: event.clientX, y: event.clientY, pan: event.button !== 0 || event.shiftKey, moved: false };
  renderer.domElement.setPointerCapture(event.pointerId);
});
renderer.domElement.addEventListener('pointermove', (event) => {
  if (!drag) return;
  const dx = event.clientX - drag.x, dy = event.clientY - drag.y;
  if (Math.abs(dx) + Math.abs(dy) > 2) drag.moved = true;
  drag.x = event.clientX;
  drag.y = event.clientY;
  const offset = camera.position.clone().sub(target);
  if (drag.pan) {
    const scale = offset.length() * 2 * Math.tan(THREE.MathUtils.degToRad(camera.fov) / 2) / view.clientHeight;
    const right = new THREE.Vector3().setFromMatrixColumn(camera.matrix, 0).multiplyScalar(-dx * scale);
    const up = new THREE.Vector3().setFromMatrixColumn(camera.matrix, 1).multiplyScalar(dy * scale);
    target.add(right).add(up);
    camera.position.add(right).add(up);
  } else {
    const right = new THREE.Vector3().setFromMatrixColumn(camera.matrix, 0);
    offset.applyAxisAngle(camera.up, -dx * 0.008).applyAxisAngle(right, -dy * 0.008);
    camera.position.copy(target).add(offset);
    camera.lookAt(target);
  }
  draw();
});
renderer.domElement.addEventListener('pointerup', (event) => {
  if (drag && !drag.moved) pick(event);
  drag = null;
});
renderer.domElement.addEventListener('wheel', (event) => {
  event.preventDefault();
  const offset = camera.position.clone().sub(target).multiplyScalar(Math.exp(event.deltaY * 0.001));
  camera.position.copy(target).add(offset);
  draw();
}, { passive: false });

function pick(event) {
  const rect = renderer.domElement.getBoundingClientRect();
  const pointer = new THREE.Vector2(((event.clientX - rect.left) / rect.width) * 2 - 1,
                                    -((event.clientY - rect.top) / rect.height) * 2 + 1);
  const raycaster = new THREE.Raycaster();
  raycaster.setFromCamera(pointer, camera);
  const hit = raycaster.intersectObjects(boxes.meshes.filter((m) => m.visible), false)[0];
  if (hit) select(boxes.rows[boxes.meshes.indexOf(hit.object)][hit.instanceId]);
}

document.getElementById('fit').addEventListener('click', () => fit(selected));
document.getElementById('show-hidden').addEventListener('change', (event) => {
  showAllHidden = event.target.checked;
  if (count) boxes.place(0);
});

// ---- The details panel ----
const details = document.getElementById('details');
const number = (v) => (Number.isFinite(v) ? String(Math.round(v * 1e6) / 1e6) : String(v));
const numbers = (list) => list.map(number).join(', ');

function table(entries) {
  const t = element('table');
  for (const [name, value] of entries) {
    if (value === undefined || value === null || value === '') continue;
    const tr = element('tr');
    const cell = element('td');
    cell.append(value instanceof Node ? value : String(value));
    tr.append(element('td', '', name), cell);
    t.append(tr);
  }
  return t;
}

function colourValue(appearance) {
  if (!appearance) return null;
  if (!appearance.color) return 'override without a colour';
  const span = element('span');
  const swatch = element('span', 'swatch');
  const [r, g, b, a] = appearance.color.map((v) => finite(v, 1));
  swatch.style.background = `rgba(${r * 255}, ${g * 255}, ${b * 255}, ${a})`;
  span.append(swatch, `${numbers(appearance.color)}${appearance.opaque ? ' opaque' : ''}`);
  return span;
}

function section(title, content) {
  details.append(element('h3', '', title), content);
}

// The details: a line of JSON a row, inflated once the first picture is up or at the first selection,
// and a line parsed only when its row is shown.
let detailLines = null;
function detailsOf() {
  detailLines ??= (async () => {
    if (document.readyState === 'loading') await new Promise((done) => document.addEventListener('DOMContentLoaded', done));
    const text = new TextDecoder().decode(await inflate('details-data'));
    const starts = new Int32Array(count + 1);
    for (let i = 1, at = 0; i <= count; ++i) starts[i] = at = text.indexOf('\n', at) + 1 || text.length + 1;
    return (i) => JSON.parse(text.slice(starts[i], starts[i + 1] - 1) || '{}');
  })();
  return detailLines;
}

let shownDetails = 0;  // the latest call of showDetails, which alone may fill the panel
async function showDetails(i) {
  const call = ++shownDetails;
  details.replaceChildren();
  if (i < 0) { details.append(element('p', 'muted', 'Select a component in the tree or the view.')); return; }
  details.append(element('h2', '', label(i)));
  const row = (await detailsOf())(i);
  if (call !== shownDetails) return;
  const visibility = row.visibility === undefined ? null : isHidden(i) ? 'hidden by default' : `shown (${row.visibility})`;
  const located = flags[i] & kLocated, boxed = columns.box[i] >= 0;
  const values = (value, from, to) => numbers([...Array(to - from).keys()].map((k) => value(i, from + k)));
  section('Instance', table([
    ['component id', idOf(i)], ['kind', flags[i] & kProxy ? 'proxy' : 'node'], ['link', row.link],
    ['translation (m)', located ? values(place, 0, 3) : null],
    ['rotation (x, y, z, w)', located ? values(place, 3, 7) : null],
    ['scale', located ? number(place(i, 7)) : null],
    ['colour', colourValue(row.appearance)], ['visibility', visibility],
    ['shape source', row.shapeSource && row.shapeSource.source],
    ['box (m)', boxed ? `${values(boxValue, 0, 3)} to ${values(boxValue, 3, 6)}` : null],
    ['thumbnail', row.thumbnail && row.thumbnail.source]]));
  if (diff) showChanges(i, row);
  const groups = new Map();
  for (const [name, type, value] of row.properties ?? []) {
    const group = type ?? '(no group)';
    if (!groups.has(group)) groups.set(group, []);
    groups.get(group).push([name, value]);
  }
  for (const [group, entries] of groups) section(`Properties: ${group}`, table(entries));
  if (row.viewables) section('Viewables', table(row.viewables.map((v) => [v.family, v.display ? `${v.display} (${v.file})` : v.file])));
  if (row.viewPoints) {
    const buttons = element('div', 'views');
    for (const view of row.viewPoints) {
      const button = element('button', '', view.name || '(unnamed)');
      button.addEventListener('click', () => viewFrom(i, view.orientation));
      buttons.append(button);
    }
    section('View points', buttons);
  }
  if (row.viewStates) section('View states', table(row.viewStates.map((s) => [`${s.type} ${s.first}`, s.second])));
  if (row.layerGroups) section('Layer groups', table(row.layerGroups.map((g) => [g.name, g.members.join(', ')])));
}

function select(i, reveal = true) {
  boxes.highlight(selected, false);
  selected = i;
  boxes.highlight(selected, true);
  outlineSelection();
  const filled = showDetails(i);
  if (reveal && i >= 0) revealRow(i); else renderTree();
  draw();
  return filled;
}

// ---- Comparing two revisions: rows marked, boxes coloured by state, the list of changes ----

function markRow(row, i) {
  const state = stateOf(i);
  if (state) row.classList.add(state);
  row.append(element('span', 'sign', kSigns[state] ?? ''));
}

// A removed row is a ghost of the old structure: translucent, so that it goes to the blended mesh.
function paintByState() {
  const at = {};
  for (const [state, colour] of Object.entries(kStateColours)) at[state] = palette.push(colour) - 1;
  for (let i = 0; i < count; ++i) paint[i] = at[stateOf(i)];
}

function valueText(what, value) {
  if (value === null || value === undefined) return '(none)';
  if (typeof value === 'string') return `"${value}"`;
  if (typeof value === 'number') return what === 'visibility' ? ({ 0: 'shown', 3: 'hidden' }[value] ?? String(value)) : number(value);
  if (what === 'colour') return colourValue(value);
  if (what === 'placement')
    return `t=(${numbers(value.translation)}) r=(${numbers(value.rotation)}) s=${number(value.scale)}`;
  if (what === 'box') return `${numbers(value.min)} to ${numbers(value.max)}`;
  return JSON.stringify(value);
}

function changeCell(what, old, now) {
  const cell = element('span', 'change-values');
  cell.append(element('span', 'old'), ' → ', element('span', 'new'));
  cell.querySelector('.old').append(valueText(what, old));
  cell.querySelector('.new').append(valueText(what, now));
  return cell;
}

function showChanges(i, row) {
  const change = listed.get(i);
  const state = stateOf(i);
  const notes = { added: `only in ${diff.newName}`, removed: `only in ${diff.oldName}` };
  if (state && !change) details.append(element('p', 'muted', `Below an instance ${state}: ${notes[state]}.`));
  if (!change) return;
  const entries = [['change', `${change[1]}${notes[change[1]] ? `, ${notes[change[1]]}` : ''}`], ['path', change[2] || '(root)']];
  if (change[1] === 'reparented') entries.push(['old path', change[3] || '(root)']);
  for (const d of row.changes ?? []) entries.push([d.name === undefined ? d.what : `${d.what} ${d.name}`, changeCell(d.what, d.old, d.new)]);
  section('Changes', table(entries));
}

const kMostListed = 2000;
function listChanges() {
  const kind = document.getElementById('change-filter').value;
  const chosen = diff.changes.filter((change) => !kind || change[1] === kind);
  const list = document.getElementById('change-list');
  const fragment = document.createDocumentFragment();
  for (const [row, what, path] of chosen.slice(0, kMostListed)) {
    const entry = element('div', `change ${what}`);
    entry.dataset.row = row;
    entry.append(element('span', 'sign', kSigns[what]), element('span', 'name', label(row)), element('span', 'id', path));
    fragment.append(entry);
  }
  if (chosen.length > kMostListed) fragment.append(element('div', 'muted', `and ${chosen.length - kMostListed} more`));
  list.replaceChildren(fragment);
}

function startComparison() {
  diff.oldName = diff.old.split('/').pop();
  diff.newName = data.file.split('/').pop();
  for (const change of diff.changes) listed.set(change[0], change);
  document.title = `${diff.oldName} → ${diff.newName} - ED changes`;
  const s = diff.summary;
  setStatus(`${s.added} added, ${s.removed} removed, ${s.changed} changed, ${s.reparented} re-parented, ${s.unchanged} unchanged`);
  document.getElementById('changes').hidden = false;
  document.getElementById('change-filter').addEventListener('change', listChanges);
  document.getElementById('change-list').addEventListener('click', (event) => {
    const entry = event.target.closest('.change');
    if (entry) select(Number(entry.dataset.row));
  });
  listChanges();
}

// ---- Start: the whole structure framed, then the first picture ----
document.title = `${data.file.split('/').pop()} - ED structure`;
listVisible();
setStatus(`${count} components${data.failure ? ` (the load failed: ${data.failure})` : ''}`);
if (diff) startComparison();
outlineAll();
resize();
fit(-1);
showDetails(-1);
const wanted = new URLSearchParams(location.hash.slice(1)).get('select');
if (wanted) {
  const i = columns.id.findIndex((id) => texts[id] === wanted);
  if (i >= 0) await select(i);
}
requestAnimationFrame(() => requestAnimationFrame(() => {
  document.documentElement.dataset.ready = String(performance.now());
  setTimeout(detailsOf);
}));
