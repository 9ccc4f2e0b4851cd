// The page of vxshape serve: draws the state the server sends and sends back what the person does.
'use strict';

const token = document.querySelector('meta[name="vx-token"]').content;
const $ = (id) => document.getElementById(id);
let state = null;
let version = 0;
let sheetVersion = -1;
let queue = Promise.resolve();

// Requests go one after another, so the plug-in hears the person's actions in their order.
function request(path, body) {
  const run = async () => {
    const r = await fetch(path, {
      method: 'POST',
      headers: { 'X-Vx-Token': token, 'Content-Type': 'application/json' },
      body: JSON.stringify(body || {}),
    });
    let reply = {};
    try { reply = await r.json(); } catch (e) { /* no body */ }
    return { status: r.status, reply };
  };
  queue = queue.then(run, run);
  return queue;
}

async function act(body) {
  // A command that is still finishing (a click before a double click) is waited for a moment.
  for (let attempt = 0; attempt < 30; ++attempt) {
    const { status, reply } = await request('/api/act', body);
    if (status !== 409) {
      if (status >= 400) showNotice(reply.error || ('error ' + status));
      return;
    }
    await new Promise((r) => setTimeout(r, 100));
  }
  showNotice('プラグインが処理中です');
}

function answer(body) {
  if (!state || !state.ask) return Promise.resolve();
  return request('/api/answer', Object.assign({ ask: state.ask.ask }, body)).then(({ status, reply }) => {
    if (status >= 400 && status !== 409) showNotice(reply.error || ('error ' + status));
  });
}

function showNotice(text) { $('notice').textContent = text || ''; $('notice').title = text || ''; }

async function poll() {
  for (;;) {
    try {
      const r = await fetch('/api/state?since=' + version, { headers: { 'X-Vx-Token': token } });
      if (!r.ok) throw new Error('state ' + r.status);
      const s = await r.json();
      version = s.version;
      state = s;
      render(s);
      if (s.stopping) { showNotice('サーバーが停止しました'); return; }
    } catch (e) {
      await new Promise((r) => setTimeout(r, 1000));
    }
  }
}

// ----- the whole page

function render(s) {
  document.body.classList.toggle('busy', !!s.busy);
  document.body.dataset.version = s.version;
  $('busy').hidden = !s.busy;
  $('dirty').hidden = !s.dirty;
  document.title = (s.dirty ? '● ' : '') + s.document + ' — vxshape';
  $('document').textContent = s.document;
  showNotice(s.notice);
  renderMenu(s.menu);
  renderLayers(s.layers);
  renderPanel(s.panel, s.flyout);
  renderModal(s);
  if (s.sheetVersion !== sheetVersion) loadSheet(s.sheetVersion);
  document.body.dataset.sheet = sheetVersion;
}

function renderMenu(items) {
  const list = $('menu-list');
  list.replaceChildren(...items.map((m) => {
    const li = document.createElement('li');
    li.textContent = m.text;
    li.className = 'menu-item' + (m.enabled ? '' : ' disabled') + (m.checked ? ' checked' : '');
    li.dataset.text = m.text;
    li.onclick = () => { list.hidden = true; if (m.enabled) act({ do: 'menu', text: m.text }); };
    return li;
  }));
}

function renderLayers(layers) {
  const ul = $('layers');
  ul.replaceChildren(...layers.map((l) => {
    const li = document.createElement('li');
    li.dataset.index = l.index;
    li.dataset.title = l.title;
    li.className = (l.current ? 'current' : '') + (l.visible ? '' : ' hidden') + (l.locked ? ' locked' : '');
    li.style.paddingLeft = (4 + 16 * l.depth) + 'px';
    const eye = document.createElement('button');
    eye.className = 'eye';
    eye.textContent = l.visible ? '◉' : '';
    eye.title = l.visible ? '隠す' : '表示';
    eye.onclick = () => act({ do: 'showLayer', layer: l.index, on: !l.visible });
    const lock = document.createElement('button');
    lock.className = 'lock';
    lock.textContent = l.locked ? '■' : '';
    lock.title = l.locked ? 'ロック解除' : 'ロック';
    lock.onclick = () => act({ do: 'lockLayer', layer: l.index, on: !l.locked });
    const name = document.createElement('span');
    name.className = 'name';
    name.textContent = l.title;
    name.onclick = () => act({ do: 'currentLayer', layer: l.index });
    li.append(eye, lock, name);
    return li;
  }));
}

function renderPanel(panel, flyout) {
  const body = $('panel-body');
  const shown = !!(panel && panel.shown);
  $('panel-pane').hidden = !shown;
  if (!shown) return;
  $('panel-title').textContent = panel.title;
  renderWindow(body, panel, {
    click: (id) => act({ do: 'panelButton', id }),
    rows: (id, rows) => act({ do: 'panelRows', rows }),
    doubleClick: (id, row) => act({ do: 'panelDoubleClick', row }),
  }, PIXELS);
  const menu = $('flyout-menu');
  menu.replaceChildren(...flyout.map((f) => {
    const li = document.createElement('li');
    li.dataset.id = f.id;
    if (f.separator) { li.className = 'separator'; return li; }
    li.className = 'flyout-item' + (f.enabled ? '' : ' disabled');
    li.textContent = f.text;
    li.onclick = () => { menu.hidden = true; if (f.enabled) act({ do: 'flyout', id: f.id }); };
    return li;
  }));
}

// ----- windows built from templates: dialogs, the panel, a file dialog's extra area

// Sends a dialog's control actions as answers to what is asked.
function dialogSender(extra) {
  return {
    text: (id, text) => answer(Object.assign({ event: 'setText', id, text }, extra)),
    click: (id) => answer(Object.assign({ event: 'click', id }, extra)),
    item: (id, index) => answer(Object.assign({ event: 'selectItem', id, index }, extra)),
    position: (id, value) => answer(Object.assign({ event: 'setPosition', id, value }, extra)),
    rows: (id, rows) => answer(Object.assign({ event: 'selectRows', id, rows }, extra)),
    doubleClick: (id, row) => answer(Object.assign({ event: 'doubleClick', id, row }, extra)),
  };
}

// Dialog templates are laid out in dialog units (a quarter of the font's mean character width
// across, an eighth of its height down); panels in pixels.
const DIALOG_UNITS = { x: 1.5, y: 1.625 };
const PIXELS = { x: 1, y: 1 };

function renderWindow(box, desc, send, unit = DIALOG_UNITS) {
  box.style.width = Math.round(desc.width * unit.x) + 'px';
  box.style.height = Math.round(desc.height * unit.y) + 'px';
  box.els = box.els || new Map();
  const seen = new Set();
  desc.controls.forEach((c, index) => {
    const key = index + ':' + c.kind + ':' + c.id;
    seen.add(key);
    let el = box.els.get(key);
    if (!el) {
      el = makeControl(c, send);
      box.els.set(key, el);
      box.appendChild(el);
    }
    el.style.left = Math.round(c.x * unit.x) + 'px';
    el.style.top = Math.round(c.y * unit.y) + 'px';
    el.style.width = Math.round(c.width * unit.x) + 'px';
    el.style.height = (c.kind === 'combobox' ? 22 : Math.round(c.height * unit.y)) + 'px';
    el.style.display = c.visible ? '' : 'none';
    el.classList.toggle('disabled', !c.enabled);
    updateControl(el, c);
  });
  for (const [key, el] of box.els) if (!seen.has(key)) { el.remove(); box.els.delete(key); }
}

function makeControl(c, send) {
  let el;
  switch (c.kind) {
    case 'static':
      el = document.createElement('div');
      el.className = 'c-static' + (c.right ? ' right' : '');
      break;
    case 'edit':
      el = document.createElement('input');
      el.type = 'text';
      el.className = 'c-edit' + (c.right ? ' right' : '');
      el.pending = 0;
      el.oninput = () => {
        el.pending++;
        send.text && send.text(c.id, el.value).finally(() => { el.pending--; });
      };
      break;
    case 'button':
      el = document.createElement('button');
      el.className = 'c-button' + (c.default ? ' default' : '');
      el.onclick = () => send.click && send.click(c.id);
      break;
    case 'checkbox':
    case 'radio': {
      el = document.createElement('label');
      el.className = 'c-check';
      const input = document.createElement('input');
      input.type = c.kind === 'checkbox' ? 'checkbox' : 'radio';
      const span = document.createElement('span');
      el.append(input, span);
      el.onclick = (e) => { e.preventDefault(); if (!input.disabled && send.click) send.click(c.id); };
      break;
    }
    case 'groupbox':
      el = document.createElement('fieldset');
      el.className = 'c-group';
      el.appendChild(document.createElement('legend'));
      break;
    case 'combobox':
      el = document.createElement('select');
      el.className = 'c-combo';
      el.onchange = () => send.item && send.item(c.id, el.selectedIndex);
      break;
    case 'trackbar':
      el = document.createElement('input');
      el.type = 'range';
      el.className = 'c-track';
      el.onchange = () => send.position && send.position(c.id, Number(el.value));
      break;
    case 'listview':
      el = document.createElement('div');
      el.className = 'c-list';
      el.tabIndex = 0;
      el.ondblclick = (e) => {
        const tr = e.target.closest('tr[data-row]');
        if (send.doubleClick) send.doubleClick(c.id, tr ? Number(tr.dataset.row) : el.rowCount);
      };
      break;
    default:
      el = document.createElement('div');
  }
  el.dataset.id = c.id;
  el.dataset.kind = c.kind;
  el.send = send;
  return el;
}

function updateControl(el, c) {
  switch (c.kind) {
    case 'static':
      el.textContent = c.text;
      el.style.color = c.color || '';
      el.style.background = c.background || '';
      break;
    case 'edit':
      // The person's typing is not overwritten while it is on its way to the plug-in.
      if (!(el.pending > 0 && document.activeElement === el) && el.value !== c.text) el.value = c.text;
      el.disabled = !c.enabled;
      el.readOnly = !!c.readOnly;
      if (c.limit) el.maxLength = c.limit; else el.removeAttribute('maxlength');
      el.inputMode = c.number ? 'numeric' : 'text';
      break;
    case 'button':
      el.textContent = c.text;
      el.disabled = !c.enabled;
      break;
    case 'checkbox':
    case 'radio':
      el.firstChild.checked = c.checked;
      el.firstChild.disabled = !c.enabled;
      el.lastChild.textContent = c.text;
      break;
    case 'groupbox':
      el.firstChild.textContent = c.text;
      break;
    case 'combobox': {
      const texts = c.items.join('\u0001');
      if (el.items !== texts) {
        el.replaceChildren(...c.items.map((t, i) => { const o = document.createElement('option'); o.textContent = t; o.value = i; return o; }));
        el.items = texts;
      }
      el.selectedIndex = c.selected;
      el.disabled = !c.enabled;
      break;
    }
    case 'trackbar':
      el.min = c.min; el.max = c.max; el.value = c.position;
      el.disabled = !c.enabled;
      break;
    case 'listview':
      updateList(el, c);
      break;
  }
}

function updateList(el, c) {
  const table = document.createElement('table');
  const head = document.createElement('tr');
  for (const col of c.columns) {
    const th = document.createElement('th');
    th.textContent = col.title;
    th.style.width = col.width + 'px';
    th.style.textAlign = col.align;
    head.appendChild(th);
  }
  const thead = document.createElement('thead');
  thead.appendChild(head);
  const tbody = document.createElement('tbody');
  const selected = new Set(c.selectedRows);
  c.rows.forEach((cells, r) => {
    const tr = document.createElement('tr');
    tr.dataset.row = r;
    if (selected.has(r)) tr.className = 'selected';
    cells.forEach((text, k) => {
      const td = document.createElement('td');
      td.textContent = text;
      if (c.columns[k]) { td.style.textAlign = c.columns[k].align; td.style.maxWidth = c.columns[k].width + 'px'; }
      const colors = c.cellColors && c.cellColors[r] && c.cellColors[r][k];
      if (colors) { td.style.color = colors[0]; td.style.background = colors[1]; }
      tr.appendChild(td);
    });
    tr.onclick = (e) => {
      if (!el.send.rows) return;
      let rows = [r];
      if (c.multiple && (e.ctrlKey || e.metaKey)) {
        rows = selected.has(r) ? c.selectedRows.filter((x) => x !== r) : c.selectedRows.concat([r]);
      } else if (c.multiple && e.shiftKey && c.selectedRows.length) {
        const a = Math.min(c.selectedRows[0], r), b = Math.max(c.selectedRows[0], r);
        rows = [];
        for (let i = a; i <= b; ++i) rows.push(i);
      }
      el.send.rows(c.id, rows);
    };
    tbody.appendChild(tr);
  });
  table.append(thead, tbody);
  el.rowCount = c.rows.length;
  const scroll = el.scrollTop;
  el.replaceChildren(table);
  el.scrollTop = scroll;
}

// ----- what the page is asked: dialogs, alerts, file dialogs, progress

let fileAsk = 0;
let fileFolder = '';
let fileEntries = [];
let fileSelected = [];

function renderModal(s) {
  const ask = s.ask;
  const dialogs = $('dialogs');
  while (dialogs.children.length > s.dialogs.length) dialogs.lastChild.remove();
  s.dialogs.forEach((d, i) => {
    let box = dialogs.children[i];
    if (!box || box.dataset.template !== String(d.template)) {
      const fresh = document.createElement('div');
      fresh.className = 'dialog';
      fresh.innerHTML = '<div class="title"></div><div class="window"></div>';
      if (box) box.replaceWith(fresh); else dialogs.appendChild(fresh);
      box = fresh;
    }
    box.dataset.template = d.template;
    box.querySelector('.title').textContent = d.title;
    const active = i === s.dialogs.length - 1 && ask && ask.kind === 'dialog';
    box.classList.toggle('inactive', !active);
    renderWindow(box.querySelector('.window'), d, dialogSender({}));
  });

  const kind = ask ? ask.kind : null;
  const alertBox = $('alert');
  alertBox.hidden = !(kind === 'alert' || kind === 'question');
  if (!alertBox.hidden) {
    alertBox.className = 'box ' + (ask.level || 'question');
    $('alert-title').textContent = { message: 'メッセージ', warning: '警告', error: 'エラー' }[ask.level] || '確認';
    $('alert-text').textContent = ask.text;
    $('alert-ok').hidden = kind !== 'alert';
    $('alert-yes').hidden = $('alert-no').hidden = kind !== 'question';
  }

  const files = $('files');
  files.hidden = !(kind === 'open' || kind === 'save' || kind === 'folder');
  if (!files.hidden) renderFiles(ask);
  else fileAsk = 0;

  const p = s.progress;
  $('progress').hidden = !p;
  if (p) {
    $('progress-text').textContent = p.text;
    const bar = $('progress-bar');
    if (p.max > 0) bar.value = Math.round(1000 * p.current / p.max); else bar.removeAttribute('value');
  }
  $('modal-layer').hidden = !(s.dialogs.length || ask || p);
}

function renderFiles(ask) {
  if (fileAsk !== ask.ask) {
    fileAsk = ask.ask;
    fileFolder = ask.folder || '';
    fileSelected = [];
    $('files-title').textContent = ask.title;
    $('files-ok').textContent = { open: '開く', save: '保存', folder: '選択' }[ask.kind];
    $('files-name').value = ask.kind === 'save' ? (ask.defaultName || '') : '';
    $('files-name').disabled = ask.kind === 'folder';
    $('files-confirm').hidden = true;
    const filter = $('files-filter');
    const filters = ask.filters && ask.filters.length ? ask.filters : [{ label: 'すべてのファイル (*.*)', pattern: '' }];
    filter.replaceChildren(...filters.map((f, i) => { const o = document.createElement('option'); o.textContent = f.label; o.value = i; return o; }));
    filter.hidden = ask.kind === 'folder';
    filter.filters = filters;
    loadFolder();
  }
  const child = $('files-child');
  if (ask.child) {
    renderWindow(child, ask.child, dialogSender({ child: true }));
  } else {
    child.replaceChildren();
    child.els = new Map();
    child.style.height = '0';
  }
}

function filePath(name) { return fileFolder ? fileFolder + '/' + name : name; }

async function loadFolder() {
  const filter = $('files-filter');
  const f = filter.filters ? filter.filters[filter.selectedIndex] : null;
  const kind = state && state.ask ? state.ask.kind : '';
  const pattern = kind === 'folder' ? '-' : (f ? f.pattern : '');
  const r = await fetch('/api/files?folder=' + encodeURIComponent(fileFolder) + '&pattern=' + encodeURIComponent(pattern),
                        { headers: { 'X-Vx-Token': token } });
  const reply = await r.json();
  if (!r.ok) { showNotice(reply.error); return; }
  fileEntries = reply.entries;
  $('files-path').textContent = '/' + (fileFolder ? fileFolder + '/' : '');
  $('files-up').disabled = !fileFolder;
  const list = $('files-list');
  list.replaceChildren(...fileEntries.map((e) => {
    const li = document.createElement('li');
    li.textContent = e.name;
    li.dataset.name = e.name;
    li.className = e.folder ? 'folder' : 'file';
    li.onclick = (ev) => {
      if (e.folder) {
        fileFolder = filePath(e.name);
        fileSelected = [];
        loadFolder();
        return;
      }
      const multiple = state.ask && state.ask.multiple;
      if (multiple && (ev.ctrlKey || ev.metaKey)) {
        fileSelected = fileSelected.includes(e.name) ? fileSelected.filter((x) => x !== e.name) : fileSelected.concat([e.name]);
      } else {
        fileSelected = [e.name];
      }
      for (const x of list.children) x.classList.toggle('selected', fileSelected.includes(x.dataset.name));
      $('files-name').value = fileSelected.map((n) => (fileSelected.length > 1 ? '"' + n + '"' : n)).join(' ');
    };
    li.ondblclick = () => { if (!e.folder) chooseFiles(); };
    return li;
  }));
}

function chooseFiles() {
  const ask = state && state.ask;
  if (!ask) return;
  if (ask.kind === 'folder') return answer({ event: 'folder', folder: fileFolder });
  if (ask.kind === 'open') {
    let names = fileSelected;
    const typed = $('files-name').value.trim();
    if (!names.length && typed) names = [typed];
    if (!names.length) return;
    return answer({ event: 'files', files: names.map(filePath) });
  }
  let name = $('files-name').value.trim();
  if (!name) return;
  if (ask.defaultExtension && !name.includes('.')) name += '.' + ask.defaultExtension;
  if (fileEntries.some((e) => !e.folder && e.name === name)) {
    $('files-confirm-text').textContent = name + ' は既にあります。置き換えますか？';
    $('files-confirm').hidden = false;
    $('files-confirm-yes').onclick = () => { $('files-confirm').hidden = true; answer({ event: 'file', file: filePath(name) }); };
    return;
  }
  return answer({ event: 'file', file: filePath(name) });
}

// ----- the sheet: zoom, pan, click to select

let view = { scale: 1, x: 20, y: 20 };
let fitted = false;

async function loadSheet(v) {
  const r = await fetch('/api/sheet.svg?v=' + v, { headers: { 'X-Vx-Token': token } });
  if (!r.ok) return;
  const text = await r.text();
  const doc = new DOMParser().parseFromString(text, 'image/svg+xml');
  const svg = doc.documentElement;
  if (svg.nodeName !== 'svg') return;
  $('sheet').replaceChildren(document.importNode(svg, true));
  sheetVersion = v;
  document.body.dataset.sheet = v;
  if (!fitted) { fit(); fitted = true; }
}

function applyView() { $('sheet').style.transform = `translate(${view.x}px, ${view.y}px) scale(${view.scale})`; }

function fit() {
  const svg = $('sheet').querySelector('svg');
  if (!svg) return;
  const vp = $('sheet-viewport').getBoundingClientRect();
  const w = svg.width.baseVal.value || 612, h = svg.height.baseVal.value || 792;
  view.scale = Math.min((vp.width - 40) / w, (vp.height - 40) / h);
  view.x = (vp.width - w * view.scale) / 2;
  view.y = (vp.height - h * view.scale) / 2;
  applyView();
}

function zoomAt(factor, cx, cy) {
  const s = Math.min(64, Math.max(0.05, view.scale * factor));
  view.x = cx - (cx - view.x) * (s / view.scale);
  view.y = cy - (cy - view.y) * (s / view.scale);
  view.scale = s;
  applyView();
}

// The art under the pointer, or the nearest within a few pixels: thin lines and small marks are
// hard to hit exactly.
function artNear(x, y, target) {
  const hit = target.closest && target.closest('[data-art]');
  if (hit) return hit;
  for (const r of [2, 4]) {
    for (let k = 0; k < 8; ++k) {
      const a = (k * Math.PI) / 4;
      for (const el of document.elementsFromPoint(x + r * Math.cos(a), y + r * Math.sin(a))) {
        const near = el.closest && el.closest('#sheet [data-art]');
        if (near) return near;
      }
    }
  }
  // Small marks: the point within a few pixels of their box.
  let best = null, bestArea = Infinity;
  for (const el of document.querySelectorAll('#sheet [data-art]')) {
    const b = el.getBoundingClientRect();
    if (b.width > 16 || b.height > 16) continue;
    if (x < b.left - 4 || x > b.right + 4 || y < b.top - 4 || y > b.bottom + 4) continue;
    if (b.width * b.height < bestArea) { best = el; bestArea = b.width * b.height; }
  }
  return best;
}

(function wireSheet() {
  const vp = $('sheet-viewport');
  let drag = null;
  vp.addEventListener('mousedown', (e) => { drag = { x: e.clientX, y: e.clientY, vx: view.x, vy: view.y, moved: false }; });
  window.addEventListener('mousemove', (e) => {
    if (!drag || !(e.buttons & 1)) return;
    const dx = e.clientX - drag.x, dy = e.clientY - drag.y;
    if (Math.abs(dx) + Math.abs(dy) > 4) drag.moved = true;
    if (drag.moved) { view.x = drag.vx + dx; view.y = drag.vy + dy; applyView(); }
  });
  vp.addEventListener('click', (e) => {
    const moved = drag && drag.moved;
    drag = null;
    if (moved) return;
    const art = artNear(e.clientX, e.clientY, e.target);
    const layer = art && art.closest('[data-layer-index]');
    if (art && layer) act({ do: 'select', layer: Number(layer.dataset.layerIndex), art: Number(art.dataset.art), add: e.shiftKey });
    else if (!e.shiftKey) act({ do: 'deselect' });
  });
  vp.addEventListener('wheel', (e) => {
    e.preventDefault();
    const r = vp.getBoundingClientRect();
    zoomAt(e.deltaY < 0 ? 1.2 : 1 / 1.2, e.clientX - r.left, e.clientY - r.top);
  }, { passive: false });
  const center = () => { const r = vp.getBoundingClientRect(); return [r.width / 2, r.height / 2]; };
  $('zoom-in').onclick = () => zoomAt(1.25, ...center());
  $('zoom-out').onclick = () => zoomAt(1 / 1.25, ...center());
  $('zoom-fit').onclick = fit;
})();

// ----- fixed controls

$('menu-button').onclick = (e) => { e.stopPropagation(); $('menu-list').hidden = !$('menu-list').hidden; };
$('flyout-button').onclick = (e) => { e.stopPropagation(); $('flyout-menu').hidden = !$('flyout-menu').hidden; };
document.addEventListener('click', () => { $('menu-list').hidden = true; $('flyout-menu').hidden = true; });
$('save').onclick = () => act({ do: 'save' });
$('alert-ok').onclick = () => answer({ event: 'ok' });
$('alert-yes').onclick = () => answer({ event: 'answer', yes: true });
$('alert-no').onclick = () => answer({ event: 'answer', yes: false });
$('progress-cancel').onclick = () => request('/api/cancel', {});
$('files-up').onclick = () => { fileFolder = fileFolder.includes('/') ? fileFolder.slice(0, fileFolder.lastIndexOf('/')) : ''; fileSelected = []; loadFolder(); };
$('files-filter').onchange = () => loadFolder();
$('files-ok').onclick = () => chooseFiles();
$('files-cancel').onclick = () => answer({ event: 'cancel' });
$('files-confirm-no').onclick = () => { $('files-confirm').hidden = true; };
document.addEventListener('keydown', (e) => {
  if (e.key === 'Escape' && state && state.ask && state.ask.kind === 'dialog') answer({ event: 'close' });
});
window.addEventListener('resize', () => { if (!fitted) fit(); });

poll();
