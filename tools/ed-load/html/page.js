// The page's script: a virtualised tree of the structure's instances, the selection's details, and
// every component's bounding box in one instanced mesh. The rows come in walk order, so a component's
// subtree is the run of rows from it to end[it], and a parent always precedes its children.
'use strict';

// The structure comes gzipped and in base64: a tenth of the text for the browser's HTML parser, which
// reads a big script element far slower than the inflater and JSON.parse read their input.
async function readStructure() {
  const text = document.getElementById('structure').textContent;
  const bytes = Uint8Array.fromBase64 ? Uint8Array.fromBase64(text) : Uint8Array.from(atob(text), (c) => c.charCodeAt(0));
  const stream = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('gzip'));
  return JSON.parse(await new Response(stream).text());
}
const kHidden = 3;
const kRowHeight = 22;
const kUncoloured = [0.8, 0.8, 0.8, 1];
const kHighlight = [1.0, 0.55, 0.1];
const kMostOutlined = 5000;

// three.js comes as two ES modules, the second importing the first by file name. A page opened from
// disk can load neither by URL, so each becomes a blob URL and the import is pointed at it.
async function loadThree() {
  const blob = (text) => URL.createObjectURL(new Blob([text], { type: 'text/javascript' }));
  const core = blob(document.getElementById('three-core').textContent);
  const main = document.getElementById('three-module').textContent;
  return import(blob(main.replaceAll('./three.core.js', core)));
}
// Inflating the structure and compiling three.js overlap.
const [data, THREE] = await Promise.all([readStructure(), loadThree()]);
const rows = data.rows;
const count = rows.length;

// ---- The tree model ----
const parent = new Int32Array(count);
const depth = new Int32Array(count);
const end = new Int32Array(count);  // one past the last row of the subtree
const expanded = new Uint8Array(count);
const shown = new Uint8Array(count);  // hidden instances the user turned on
let keep = null;  // while searching: the matches and their ancestors
let matches = null;
for (let i = 0; i < count; ++i) {
  parent[i] = rows[i].parent;
  depth[i] = parent[i] < 0 ? 0 : depth[parent[i]] + 1;
  end[i] = i + 1;
  expanded[i] = depth[i] < 1 ? 1 : 0;
}
for (let i = count - 1; i >= 0; --i)
  if (parent[i] >= 0) end[parent[i]] = Math.max(end[parent[i]], end[i]);

const isHidden = (i) => rows[i].visibility === kHidden;
const label = (i) => rows[i].name ?? '(unnamed)';

let visible = [];
function listVisible() {
  visible = [];
  for (let i = 0; i < count;) {
    if (keep && !keep[i]) { i = end[i]; continue; }
    visible.push(i);
    i = expanded[i] ? i + 1 : end[i];
  }
}

function search(text) {
  const query = text.trim().toLowerCase();
  keep = matches = null;
  let found = 0;
  if (query) {
    keep = new Uint8Array(count);
    matches = new Uint8Array(count);
    for (let i = 0; i < count; ++i) {
      const row = rows[i];
      if (!(row.name ?? '').toLowerCase().includes(query) && !(row.id ?? '').toLowerCase().includes(query)) continue;
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
  row.append(element('span', 'name', label(i)));
  if (rows[i].id) row.append(element('span', 'id', rows[i].id));
  if (rows[i].kind === 'proxy') row.append(element('span', 'badge', 'proxy'));
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

function localMatrix(location) {
  const m = new THREE.Matrix4();
  if (!location) return m;
  const [x, y, z] = location.translation.map((v) => finite(v));
  const q = new THREE.Quaternion(...location.rotation.map((v) => finite(v)));
  if (q.length() === 0) q.identity(); else q.normalize();
  const s = finite(location.scale, 1);
  return m.compose(new THREE.Vector3(x, y, z), q, new THREE.Vector3(s, s, s));
}

const world = new Array(count);
const colour = new Array(count);  // the nearest colour override on the path, as the host paints
const rootColour = data.rootAppearance?.color;
for (let i = 0; i < count; ++i) {
  const above = parent[i] < 0 ? upMatrix : world[parent[i]];
  world[i] = localMatrix(rows[i].location).premultiply(above);
  const own = rows[i].appearance?.color;
  colour[i] = own ? own.map((v) => finite(v, 1)) : parent[i] < 0 ? (rootColour ?? kUncoloured) : colour[parent[i]];
}

// Scratch values: a big structure would otherwise allocate millions of them before the first picture.
const centre = new THREE.Vector3(), size = new THREE.Vector3(), noTurn = new THREE.Quaternion();
const offMatrix = new THREE.Matrix4().makeScale(0, 0, 0);
const paintColour = new THREE.Color();
const unitBox = new THREE.Box3(new THREE.Vector3(-0.5, -0.5, -0.5), new THREE.Vector3(0.5, 0.5, 0.5));

function boxMatrix(i) {
  const box = rows[i].shapeSource?.box;
  if (!box) return null;
  const [x0, y0, z0] = box.min.map((v) => finite(v)), [x1, y1, z1] = box.max.map((v) => finite(v));
  centre.set((x0 + x1) / 2, (y0 + y1) / 2, (z0 + z1) / 2);
  size.set(Math.abs(x1 - x0), Math.abs(y1 - y0), Math.abs(z1 - z0));
  return new THREE.Matrix4().compose(centre, noTurn, size).premultiply(world[i]);
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
    this.matrix = new Array(count).fill(null);
    this.mesh = new Int8Array(count).fill(-1);  // which of the two meshes draws the row's box
    this.slot = new Int32Array(count);
    const members = [[], []];
    for (let i = 0; i < count; ++i) {
      this.matrix[i] = boxMatrix(i);
      if (!this.matrix[i]) continue;
      const m = colour[i][3] < 1 ? 1 : 0;
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
    for (let i = 0; i < count; ++i) if (this.mesh[i] >= 0) { this.paint(i, false); this.setMatrix(i); }
    this.update(true);
  }

  off(i) {
    for (let p = i; p >= 0; p = parent[p]) if (isHidden(p) && !shown[p] && !showAllHidden) return true;
    return false;
  }

  setMatrix(i) {
    const mesh = this.meshes[this.mesh[i]];
    mesh.setMatrixAt(this.slot[i], this.off(i) ? offMatrix : this.matrix[i]);
  }

  paint(i, highlighted) {
    const [r, g, b] = highlighted ? kHighlight : colour[i];
    // Linear, as the glTF export hands the same colours to viewers.
    this.meshes[this.mesh[i]].setColorAt(this.slot[i], paintColour.setRGB(r, g, b));
  }

  // Visibility of the subtree of `i` follows its hidden instances' switches.
  place(i) {
    for (let k = i; k < end[i]; ++k) if (this.mesh[k] >= 0) this.setMatrix(k);
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

  // Adds the boxes of the subtree of `i` that are on to `bounds`, in world space.
  addTo(bounds, i) {
    const one = new THREE.Box3();
    for (let k = i; k < end[i]; ++k)
      if (this.mesh[k] >= 0 && !this.off(k)) bounds.union(one.copy(unitBox).applyMatrix4(this.matrix[k]));
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
    for (let v = 0; v < unitEdges.count; ++v) points.push(...p.fromBufferAttribute(unitEdges, v).applyMatrix4(boxes.matrix[k]).toArray());
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
    for (let k = i; k < end[i]; ++k) box.expandByPoint(new THREE.Vector3().setFromMatrixPosition(world[k]));
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
  const rotation = new THREE.Quaternion().setFromRotationMatrix(new THREE.Matrix4().extractRotation(world[i]));
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

function showDetails(i) {
  details.replaceChildren();
  if (i < 0) { details.append(element('p', 'muted', 'Select a component in the tree or the view.')); return; }
  const row = rows[i];
  const visibility = row.visibility === undefined ? null : row.visibility === kHidden ? 'hidden by default' : `shown (${row.visibility})`;
  details.append(element('h2', '', label(i)));
  section('Instance', table([
    ['component id', row.id], ['kind', row.kind], ['link', row.link],
    ['translation (m)', row.location && numbers(row.location.translation)],
    ['rotation (x, y, z, w)', row.location && numbers(row.location.rotation)],
    ['scale', row.location && number(row.location.scale)],
    ['colour', colourValue(row.appearance)], ['visibility', visibility],
    ['shape source', row.shapeSource && row.shapeSource.source],
    ['box (m)', row.shapeSource?.box && `${numbers(row.shapeSource.box.min)} to ${numbers(row.shapeSource.box.max)}`],
    ['thumbnail', row.thumbnail && row.thumbnail.source]]));
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
  showDetails(i);
  if (reveal && i >= 0) revealRow(i); else renderTree();
  draw();
}

// ---- Start: the whole structure framed, then the first picture ----
document.title = `${data.file.split('/').pop()} - ED structure`;
listVisible();
setStatus(`${count} components${data.failure ? ` (the load failed: ${data.failure})` : ''}`);
outlineAll();
resize();
fit(-1);
showDetails(-1);
const wanted = new URLSearchParams(location.hash.slice(1)).get('select');
if (wanted) {
  const i = rows.findIndex((row) => row.id === wanted);
  if (i >= 0) select(i);
}
requestAnimationFrame(() => requestAnimationFrame(() => {
  document.documentElement.dataset.ready = String(performance.now());
}));
