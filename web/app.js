// The page of vxshape serve: draws the state the server sends and sends back what the person does.
'use strict';

const token = document.querySelector('meta[name="vx-token"]').content;
const $ = (id) => document.getElementById(id);
let state = null;
let version = 0;
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
  for (let attempt = 0; attempt < 100; ++attempt) {
    const { status, reply } = await request('/api/act', body);
    if (status !== 409) {
      if (status >= 400) showNotice(reply.error || ('エラー ' + status));
      return;
    }
    await new Promise((r) => setTimeout(r, 100));
  }
  showNotice('プラグインが処理中です');
}

function answer(body) {
  if (!state || !state.ask) return Promise.resolve();
  return request('/api/answer', Object.assign({ ask: state.ask.ask }, body)).then(({ status, reply }) => {
    if (status >= 400 && status !== 409) showNotice(reply.error || ('エラー ' + status));
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
  $('undo').disabled = !s.canUndo;
  $('redo').disabled = !s.canRedo;
  document.title = (s.dirty ? '● ' : '') + s.document + ' — vxshape';
  $('document').textContent = s.document;
  showNotice(s.notice);
  settleOverrides(s);
  renderMenu(s.menu);
  renderLayers(s.layers);
  renderPanel(s.panel, s.flyout);
  renderModal(s);
  syncGeometry(s);
  renderMapAids(s);
  if (!fitted && s.open && vxSheet.loaded()) { fitted = true; fit(); }
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
    const visible = layerVisible(l.index);
    li.className = (l.current ? 'current' : '') + (visible ? '' : ' hidden') + (l.locked ? ' locked' : '');
    li.style.paddingLeft = (4 + 16 * l.depth) + 'px';
    const eye = document.createElement('button');
    eye.className = 'eye';
    eye.textContent = visible ? '◉' : '';
    eye.title = visible ? '隠す' : '表示';
    // Shown at once; the server's answer confirms it.
    eye.onclick = () => {
      visibleOverride.set(l.index, !visible);
      renderLayers(state.layers);
      contentChanged();
      act({ do: 'showLayer', layer: l.index, on: !visible });
    };
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

let panelDrawn = '';
function renderPanel(panel, flyout) {
  const body = $('panel-body');
  const shown = !!(panel && panel.shown);
  $('panel-pane').hidden = !shown;
  if (!shown) { panelDrawn = ''; return; }
  // Rebuilt only when it changed: a row replaced between the two clicks of a double click loses it.
  const key = JSON.stringify([panel, flyout]);
  if (key === panelDrawn) return;
  panelDrawn = key;
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

// Dialog templates are laid out in dialog units, converted as Windows converts them: from the
// dialog font's base units (the mean width of the 52 Latin letters, rounded as Windows rounds it,
// and the font's height; MS UI Gothic 9 pt, 12 pixels, whose metrics IPAPGothic has), a quarter
// and an eighth of them, each edge rounded by MulDiv. Panels are laid out in pixels.
const DIALOG_FONT = '12px "IPAPGothic", "Noto Sans CJK JP", sans-serif';
const DIALOG_UNITS = { x: 7, y: 12 };  // base units until the font is measured
const PIXELS = null;

function measureBaseUnits() {
  const c = document.createElement('canvas').getContext('2d');
  c.font = DIALOG_FONT;
  const m = c.measureText('ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz');
  const cx = Math.floor(m.width);
  DIALOG_UNITS.x = Math.floor((Math.floor(cx / 26) + 1) / 2);
  DIALOG_UNITS.y = Math.round(m.fontBoundingBoxAscent + m.fontBoundingBoxDescent) || 12;
  document.body.dataset.baseUnits = DIALOG_UNITS.x + 'x' + DIALOG_UNITS.y;
}
document.fonts.load(DIALOG_FONT).then(measureBaseUnits, measureBaseUnits);

// MulDiv(a, b, c) as Windows rounds it: to the nearest, halves away from zero.
function mulDiv(a, b, c) { const p = a * b; return Math.sign(p) * Math.floor((Math.abs(p) + c / 2) / c); }
function toPixels(v, unit, across) {
  if (!unit) return Math.round(v);
  return across ? mulDiv(v, unit.x, 4) : mulDiv(v, unit.y, 8);
}

function renderWindow(box, desc, send, unit = DIALOG_UNITS) {
  box.style.width = toPixels(desc.width, unit, true) + 'px';
  box.style.height = toPixels(desc.height, unit, false) + 'px';
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
    const left = toPixels(c.x, unit, true), top = toPixels(c.y, unit, false);
    el.style.left = left + 'px';
    el.style.top = top + 'px';
    el.style.width = (toPixels(c.x + c.width, unit, true) - left) + 'px';
    el.style.height = (c.kind === 'combobox' ? 22 : toPixels(c.y + c.height, unit, false) - top) + 'px';
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
  let focusDialog = null;
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
    if (active && !box.focusedOnce) { box.focusedOnce = true; focusDialog = box; }
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
  // A dialog opens with its first edit focused, as on Windows (once it can take the focus).
  if (focusDialog) {
    const edit = [...focusDialog.querySelectorAll('.c-edit')].find((el) => !el.disabled && !el.readOnly && el.style.display !== 'none');
    if (edit) { edit.focus(); edit.select(); } else { focusDialog.tabIndex = -1; focusDialog.focus(); }
  }
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

// ----- the sheet: drawn here from each layer's geometry (serve/sheet_geometry.h), so zoom, pan
// and hit tests need no request; after a change only layers with a new revision are fetched.

const FONT = '"Noto Sans CJK JP", "Noto Sans JP", "IPAGothic", sans-serif';
const HIGHLIGHT = '#1a73e8';
const PASTEBOARD = '#9a9a9a';
const TOLERANCE = 4;  // pixels: thin lines and small marks take a click this far off
const geometry = new Map();  // revision -> parsed layer
const loading = new Set();
const visibleOverride = new Map();
let drawnKey = '';  // layer index -> visibility shown before the server confirms
let view = { scale: 1, x: 20, y: 20 };  // screen = view.x + view.scale * page
let fitted = false;
let drawQueued = false;
const canvas = $('sheet');
const ctx = canvas.getContext('2d');
const sheetStats = { frameMs: 0, frames: 0, highlighted: 0 };

function parseLayer(buf) {
  const dv = new DataView(buf);
  if (buf.byteLength < 20 || dv.getUint32(0, true) !== 0x31475856) throw new Error('not layer geometry');
  const jsonBytes = dv.getUint32(4, true);
  const head = JSON.parse(new TextDecoder().decode(new Uint8Array(buf, 8, jsonBytes)));
  let at = 8 + jsonBytes;
  const count = dv.getUint32(at, true), partCount = dv.getUint32(at + 4, true), floatCount = dv.getUint32(at + 8, true);
  at += 12;
  const objects = new Int32Array(buf, at, count * 5); at += count * 20;
  const parts = new Int32Array(buf, at, partCount * 3); at += partCount * 12;
  const floats = new Float32Array(buf, at, floatCount);
  const boxes = new Float32Array(count * 4);
  const byArt = new Map();
  const extent = [Infinity, Infinity, -Infinity, -Infinity];
  for (let o = 0; o < count; ++o) {
    const kind = objects[o * 5], art = objects[o * 5 + 1], ref = objects[o * 5 + 2];
    let x0 = Infinity, y0 = Infinity, x1 = -Infinity, y1 = -Infinity;
    if (kind === 1) {
      const t = head.texts[ref];
      const w = textWidth(t.text, t.size);
      x0 = t.align === 'center' ? t.x - w / 2 : t.align === 'right' ? t.x - w : t.x;
      x1 = x0 + w; y0 = t.y - t.size * 0.88; y1 = t.y + t.size * 0.12;
    } else if (kind !== 3) {
      const p0 = objects[o * 5 + 3], pn = objects[o * 5 + 4];
      for (let p = p0; p < p0 + pn; ++p) {
        const f0 = parts[p * 3], n = parts[p * 3 + 1] * ((parts[p * 3 + 2] & 2) ? 6 : 2);
        for (let f = f0; f < f0 + n; f += 2) {
          const x = floats[f], y = floats[f + 1];
          if (x < x0) x0 = x; if (x > x1) x1 = x;
          if (y < y0) y0 = y; if (y > y1) y1 = y;
        }
      }
    }
    boxes[o * 4] = x0; boxes[o * 4 + 1] = y0; boxes[o * 4 + 2] = x1; boxes[o * 4 + 3] = y1;
    if (kind !== 3 && x0 <= x1) {
      extent[0] = Math.min(extent[0], x0); extent[1] = Math.min(extent[1], y0);
      extent[2] = Math.max(extent[2], x1); extent[3] = Math.max(extent[3], y1);
    }
    if (art >= 0) { if (!byArt.has(art)) byArt.set(art, []); byArt.get(art).push(o); }
  }
  return { head, count, objects, parts, floats, boxes, byArt, extent };
}

// A text's advance in points, close enough for hit tests and fitting: full-width characters
// take the font size, others about half of it.
function textWidth(text, size) {
  let w = 0;
  for (const ch of text) w += ch.codePointAt(0) > 0x2e7f ? 1 : 0.56;
  return w * size;
}

function layerData(i) { return state && state.geometry ? geometry.get(state.geometry[i]) : undefined; }
function layerVisible(i) { return visibleOverride.has(i) ? visibleOverride.get(i) : state.layers[i].visible; }

// A layer shown or hidden on the page stays so until the server says the same, or has finished
// the command without doing it (a state sent while it works still has the old value).
function settleOverrides(s) {
  for (const [i, v] of visibleOverride)
    if (!s.layers[i] || s.layers[i].visible === v || !s.busy) visibleOverride.delete(i);
}

// Fetches the layers whose revision is new; forgets revisions no layer has any more.
function syncGeometry(s) {
  const wanted = new Set(s.geometry || []);
  for (const rev of geometry.keys()) if (!wanted.has(rev)) geometry.delete(rev);
  // What is drawn depends on the revisions and the layers' order and visibility.
  const key = JSON.stringify([s.geometry, s.layers.map((l, i) => [layerVisible(i), l.top])]);
  if (key !== drawnKey) { drawnKey = key; contentChanged(); }
  for (const rev of wanted) {
    if (geometry.has(rev) || loading.has(rev)) continue;
    loading.add(rev);
    fetch('/api/layer?rev=' + rev, { headers: { 'X-Vx-Token': token } })
      .then((r) => (r.ok ? r.arrayBuffer() : null))
      .then((buf) => { if (buf) { geometry.set(rev, parseLayer(buf)); contentChanged(); } })
      .catch(() => {})
      .finally(() => {
        loading.delete(rev);
        if (!fitted && vxSheet.loaded()) { fitted = true; fit(); }
        requestDraw();
      });
  }
  requestDraw();
}

function requestDraw() {
  if (drawQueued) return;
  drawQueued = true;
  requestAnimationFrame(draw);
}

function artboardSize() {
  const b = state && state.artboard ? state.artboard : [0, 792, 612, 0];
  return { w: b[2] - b[0], h: b[1] - b[3] };
}

// Draws the layers bottom up: top-level layers in reverse pre-order, sublayers where they stand.
function forEachDrawn(fn) {
  const walk = (i) => {
    if (!layerVisible(i)) return;
    const L = layerData(i);
    if (!L) return;
    for (let o = 0; o < L.count; ++o) {
      if (L.objects[o * 5] === 3) walk(L.objects[o * 5 + 2]);
      else fn(i, L, o);
    }
  };
  for (let i = state.layers.length - 1; i >= 0; --i) if (state.layers[i].top) walk(i);
}

function styleOf(L, o) { return L.head.styles[L.objects[o * 5 + 2]]; }

// A path's outline into the current path of `ctx`, leaving out vertices closer than `tol` to the
// last one; answers the number of segments traced.
function tracePath(ctx, L, o, tol) {
  const { objects, parts, floats } = L;
  const p0 = objects[o * 5 + 3], pn = objects[o * 5 + 4];
  let traced = 0;
  for (let p = p0; p < p0 + pn; ++p) {
    const f0 = parts[p * 3], n = parts[p * 3 + 1], flags = parts[p * 3 + 2];
    if (flags & 2) {
      ctx.moveTo(floats[f0 + 2], floats[f0 + 3]);
      for (let k = 1; k <= n; ++k) {
        if (k === n && !(flags & 1)) break;
        const a = f0 + 6 * (k - 1), b = f0 + 6 * (k % n);
        ctx.bezierCurveTo(floats[a + 4], floats[a + 5], floats[b], floats[b + 1], floats[b + 2], floats[b + 3]);
        traced += 8;
      }
    } else {
      let lx = floats[f0], ly = floats[f0 + 1];
      ctx.moveTo(lx, ly);
      const end = f0 + 2 * n;
      for (let f = f0 + 2; f < end; f += 2) {
        const x = floats[f], y = floats[f + 1];
        if (f + 2 < end && Math.abs(x - lx) + Math.abs(y - ly) < tol) continue;
        ctx.lineTo(x, y); lx = x; ly = y;
        ++traced;
      }
    }
    if (flags & 1) ctx.closePath();
  }
  return traced;
}

function setStroke(ctx, st) {
  ctx.strokeStyle = st.stroke;
  ctx.lineWidth = st.width;
  ctx.lineCap = st.cap; ctx.lineJoin = st.join; ctx.miterLimit = st.miter;
  ctx.setLineDash(st.dash || []);
  ctx.lineDashOffset = st.dashOffset || 0;
}

// Drawing happens in two parts. Each top-level layer (with its sublayers) is drawn into a bitmap
// of its own, a slice of at most SLICE_MS per frame for all of them, so that no frame waits for a
// large sheet; each frame stacks the visible layers' last finished bitmaps, moved and scaled to the
// current view (while new ones are drawn for it), with the selection drawn on top. Showing or
// hiding a layer therefore draws nothing again, and a change to one layer redraws only that layer.
const SLICE_MS = 25;
const BATCH_SEGMENTS = 1500;
const DIRECT_SEGMENTS = 2000;
const bitmaps = new Map();  // top-level layer index -> { base, job }: base and job { canvas, view, key, ... }
let drawLists = null;  // per top-level layer, bottommost first: { top, key, list: [layer, object] pairs }

function contentChanged() { drawLists = null; requestDraw(); }

function buildDrawLists() {
  drawLists = [];
  for (let t = state.layers.length - 1; t >= 0; --t) {
    if (!state.layers[t].top) continue;
    const out = [], revs = [];
    let segments = 0;
    const walk = (i) => {
      const L = layerData(i);
      revs.push(state.geometry ? state.geometry[i] : 0, i === t || layerVisible(i));
      if (!L || (i !== t && !layerVisible(i))) return;
      for (let o = 0; o < L.count; ++o) {
        if (L.objects[o * 5] === 3) { walk(L.objects[o * 5 + 2]); continue; }
        out.push(i, o);
        const p0 = L.objects[o * 5 + 3], pn = L.objects[o * 5 + 4];
        segments += L.objects[o * 5] === 1 ? 20 : 1;
        if (L.objects[o * 5] !== 1) for (let p = p0; p < p0 + pn; ++p) segments += L.parts[p * 3 + 1];
      }
    };
    walk(t);
    // A small layer is drawn straight onto the sheet each frame: cheaper than a bitmap of its own.
    drawLists.push({ top: t, key: revs.join(','), list: Int32Array.from(out), direct: segments <= DIRECT_SEGMENTS });
  }
  for (const t of bitmaps.keys()) if (!drawLists.some((d) => d.top === t && !d.direct)) bitmaps.delete(t);
}

function sameView(a, b) { return a && b && a.scale === b.scale && a.x === b.x && a.y === b.y && a.w === b.w && a.h === b.h; }

// Draws objects of the list into `job.ctx` from job.k on, until the list ends or the time is up.
function drawSlice(j, until) {
  const c = j.ctx, s = j.view.scale;
  const vx0 = -j.view.x / s, vy0 = -j.view.y / s, vx1 = vx0 + j.view.w / s, vy1 = vy0 + j.view.h / s;
  const tol = vxSheet.tolerance / s, dot = 1.2 / s;
  // A dot covers whole device pixels: anti-aliased across a pixel edge, a dot of 1.2 pixels can
  // fade to half its paint and vanish on the grey pasteboard.
  const dpr = j.dpr || 1, dotPx = Math.max(1, Math.round(1.2 * dpr)), px = 1 / (s * dpr);
  const flush = () => { if (j.batch) { setStroke(c, j.batch); c.stroke(); j.batch = null; } };
  const list = j.list;
  // The batch is stroked before the clock is read, so that its rasterising counts in the slice;
  // the clock is read every so many segments, as a wide line of many takes long to rasterise.
  let traced = 0;
  for (let n = 0; j.k < list.length; j.k += 2, ++n) {
    if ((n & 63) === 63 || traced > BATCH_SEGMENTS) { flush(); traced = 0; if (performance.now() > until) return false; }
    const i = list[j.k], o = list[j.k + 1];
    const L = layerData(i);
    const b = o * 4, box = L.boxes;
    if (box[b + 2] < vx0 || box[b] > vx1 || box[b + 3] < vy0 || box[b + 1] > vy1) continue;
    const kind = L.objects[o * 5];
    if (kind === 1) {
      flush();
      const t = L.head.texts[L.objects[o * 5 + 2]];
      if (t.size * s < 1.5) continue;
      c.globalAlpha = t.opacity || 1;
      c.font = t.size + 'px ' + FONT;
      c.textAlign = t.align || 'left';
      c.fillStyle = t.fill;
      c.fillText(t.text, t.x, t.y);
      c.globalAlpha = 1;
      continue;
    }
    const st = styleOf(L, o);
    // Art smaller than a pixel or so shows as a dot of its paint.
    if (box[b + 2] - box[b] < dot && box[b + 3] - box[b + 1] < dot) {
      flush();
      const paint = st.fill !== 'none' ? st.fill : st.stroke;
      if (paint === 'none') continue;
      c.fillStyle = paint;
      const dx = Math.floor(((box[b] + box[b + 2]) / 2 * s + j.view.x) * dpr - dotPx / 2 + 0.5);
      const dy = Math.floor(((box[b + 1] + box[b + 3]) / 2 * s + j.view.y) * dpr - dotPx / 2 + 0.5);
      c.fillRect((dx / dpr - j.view.x) / s, (dy / dpr - j.view.y) / s, dotPx * px, dotPx * px);
      continue;
    }
    // Unfilled opaque lines of one paint go into one path.
    if (st.fill === 'none' && st.stroke !== 'none' && !st.opacity) {
      if (j.batch !== st) { flush(); j.batch = st; c.beginPath(); }
      traced += tracePath(c, L, o, tol);
      continue;
    }
    flush();
    c.beginPath();
    traced += tracePath(c, L, o, tol);
    c.globalAlpha = st.opacity || 1;
    if (st.fill !== 'none') { c.fillStyle = st.fill; c.fill(st.evenOdd ? 'evenodd' : 'nonzero'); }
    if (st.stroke !== 'none') { setStroke(c, st); c.stroke(); }
    c.globalAlpha = 1;
  }
  flush();
  return true;
}

// Bitmaps no longer shown are kept for the next drawing: a new canvas of the sheet's size costs
// several milliseconds, which for every layer would take most of a zoom frame.
const sparePool = [];
function takeCanvas(old, v, dpr) {
  const w = Math.round(v.w * dpr), h = Math.round(v.h * dpr);
  const c = old || sparePool.pop() || document.createElement('canvas');
  const g = c.getContext('2d');
  if (c.width !== w || c.height !== h) { c.width = w; c.height = h; } else { g.setTransform(1, 0, 0, 1, 0, 0); g.clearRect(0, 0, w, h); }
  g.setTransform(dpr * v.scale, 0, 0, dpr * v.scale, dpr * v.x, dpr * v.y);
  return { canvas: c, ctx: g };
}
function spareCanvas(c) {
  if (sparePool.length < 8) sparePool.push(c); else c.width = c.height = 0;
}

function startJob(b, d, v, dpr) {
  const { canvas: canvasOf, ctx: c } = takeCanvas(b.job ? b.job.canvas : null, v, dpr);
  b.job = { canvas: canvasOf, ctx: c, view: v, key: d.key, list: d.list, k: 0, batch: null, dpr };
}

function draw() {
  drawQueued = false;
  const t0 = performance.now();
  const vp = $('sheet-viewport');
  const dpr = window.devicePixelRatio || 1;
  const cw = vp.clientWidth, ch = vp.clientHeight;
  if (canvas.width !== Math.round(cw * dpr) || canvas.height !== Math.round(ch * dpr)) {
    canvas.width = Math.round(cw * dpr); canvas.height = Math.round(ch * dpr);
    canvas.style.width = cw + 'px'; canvas.style.height = ch + 'px';
  }
  ctx.setTransform(dpr, 0, 0, dpr, 0, 0);
  ctx.globalAlpha = 1;
  ctx.fillStyle = PASTEBOARD;
  ctx.fillRect(0, 0, cw, ch);
  if (!state || !state.open) return;
  const s = view.scale;
  const { w, h } = artboardSize();
  // The artboard: a white sheet on the grey pasteboard; art beyond it is drawn as well.
  ctx.shadowColor = '#555'; ctx.shadowBlur = 6;
  ctx.fillStyle = '#fff';
  ctx.fillRect(view.x, view.y, w * s, h * s);
  ctx.shadowBlur = 0; ctx.shadowColor = 'transparent';
  ctx.strokeStyle = '#999'; ctx.lineWidth = Math.min(1, 0.5 * s);
  ctx.strokeRect(view.x, view.y, w * s, h * s);

  const v = { scale: s, x: view.x, y: view.y, w: cw, h: ch };
  if (!drawLists) buildDrawLists();
  const until = t0 + SLICE_MS;
  let pending = false;
  ctx.imageSmoothingEnabled = true;
  for (const d of drawLists) {
    if (!layerVisible(d.top)) continue;
    if (d.direct) {
      ctx.save();
      ctx.setTransform(dpr * s, 0, 0, dpr * s, dpr * view.x, dpr * view.y);
      drawSlice({ ctx, view: v, list: d.list, k: 0, batch: null, dpr }, Infinity);
      ctx.restore();
      continue;
    }
    let b = bitmaps.get(d.top);
    if (!b) bitmaps.set(d.top, b = { base: null, job: null });
    const current = (x) => x && x.key === d.key && sameView(x.view, v);
    if (!current(b.base)) {
      if (!current(b.job)) startJob(b, d, v, dpr);
      if (performance.now() < until && drawSlice(b.job, until)) {
        if (b.base) spareCanvas(b.base.canvas);
        b.base = b.job;
        b.job = null;
      } else pending = true;
    }
    // The last finished bitmap, moved and scaled to the view it is drawn for.
    const base = b.base;
    if (base) {
      const k = s / base.view.scale;
      ctx.drawImage(base.canvas, view.x - base.view.x * k, view.y - base.view.y * k, base.view.w * k, base.view.h * k);
    }
  }
  if (drawSelectionBitmap(v, dpr, until, pending)) pending = true;
  sheetStats.frameMs = performance.now() - t0;
  sheetStats.frames++;
  sheetStats.complete = !pending;
  document.body.dataset.frames = sheetStats.frames;
  if (pending) requestDraw();
}

// Selected art in the highlight colour, at any zoom: outlines two pixels wide (one when thousands
// are selected: wide outlines of so many take the browser too long), texts recoloured, and a square
// of a fixed size around art too small to see. The selection has a bitmap of its own, drawn in
// slices as the art is: again when the selection or the art changes (the new one shows as it is
// drawn), and for a new view once the art is drawn for it, the last one moved and scaled meanwhile.
const selectionBitmap = { base: null, job: null, key: 0, selection: null, lists: null, list: null };

// The selected objects of the drawn layers, bottommost first, as [layer, object] pairs.
function selectedList() {
  const sel = state.selection || [];
  const out = [];
  for (const d of drawLists) {
    if (!layerVisible(d.top)) continue;
    const list = d.list;
    let i = -1, L = null, set = null;
    for (let k = 0; k < list.length; k += 2) {
      if (list[k] !== i) {
        i = list[k];
        L = layerData(i);
        const arts = sel[i];
        set = null;
        if (arts && arts.length) {
          if (!L.selected || L.selected.source !== arts) L.selected = { source: arts, set: new Set(arts) };
          set = L.selected.set;
        }
      }
      if (set && set.has(L.objects[list[k + 1] * 5 + 1])) out.push(i, list[k + 1]);
    }
  }
  return Int32Array.from(out);
}

// Draws the selection's bitmap for view `v`, a slice until `until`; answers whether more is to draw.
function drawSelectionBitmap(v, dpr, until, artPending) {
  const S = selectionBitmap;
  if (S.selection !== state.selection || S.lists !== drawLists) {
    S.selection = state.selection; S.lists = drawLists;
    S.list = selectedList();
    ++S.key;
  }
  const current = (x) => x && x.key === S.key && sameView(x.view, v);
  let pending = false;
  if (!current(S.base)) {
    if (!S.base || S.base.key !== S.key || !artPending) {
      if (!current(S.job)) {
        const { canvas: canvasOf, ctx: g } = takeCanvas(S.job ? S.job.canvas : null, v, dpr);
        S.job = { canvas: canvasOf, ctx: g, view: v, key: S.key, list: S.list, k: 0 };
      }
      if (performance.now() < until && drawSelectionSlice(S.job, until)) {
        if (S.base) spareCanvas(S.base.canvas);
        S.base = S.job;
        S.job = null;
        sheetStats.highlighted = S.base.list.length / 2;
      } else pending = true;
    } else pending = true;
  }
  // A new selection shows as it is drawn; the same one in its last finished bitmap.
  const b = S.job && (!S.base || S.base.key !== S.key) ? S.job : S.base;
  if (b) {
    const k = view.scale / b.view.scale;
    ctx.drawImage(b.canvas, view.x - b.view.x * k, view.y - b.view.y * k, b.view.w * k, b.view.h * k);
  }
  return pending;
}

function drawSelectionSlice(j, until) {
  const g = j.ctx, s = j.view.scale;
  const small = 8 / s, dot = 1.2 / s, tol = vxSheet.tolerance / s;
  const vx0 = -j.view.x / s - small, vy0 = -j.view.y / s - small;
  const vx1 = vx0 + j.view.w / s + 2 * small, vy1 = vy0 + j.view.h / s + 2 * small;
  g.strokeStyle = HIGHLIGHT;
  g.lineWidth = (state.selected > 2000 ? 0.99 : 2) / s;
  g.lineJoin = 'round';
  g.beginPath();
  // Outlines go into one path, stroked every so many objects; the clock is read after a stroke.
  const list = j.list;
  let traced = 0;
  for (let n = 0; j.k < list.length; j.k += 2, ++n) {
    if ((n & 63) === 63 || traced > BATCH_SEGMENTS) {
      g.stroke(); g.beginPath(); traced = 0;
      if (performance.now() > until) return false;
    }
    const i = list[j.k], o = list[j.k + 1];
    const L = layerData(i);
    const b = o * 4, box = L.boxes;
    if (box[b + 2] < vx0 || box[b] > vx1 || box[b + 3] < vy0 || box[b + 1] > vy1) continue;
    if (L.objects[o * 5] === 1) {
      const t = L.head.texts[L.objects[o * 5 + 2]];
      g.font = t.size + 'px ' + FONT;
      g.textAlign = t.align || 'left';
      g.fillStyle = HIGHLIGHT;
      g.fillText(t.text, t.x, t.y);
      g.rect(box[b] - 2 / s, box[b + 1] - 2 / s, box[b + 2] - box[b] + 4 / s, box[b + 3] - box[b + 1] + 4 / s);
      continue;
    }
    const w = box[b + 2] - box[b], h = box[b + 3] - box[b + 1];
    // Art smaller than a pixel or so is only its square.
    if (w >= dot || h >= dot) traced += tracePath(g, L, o, tol);
    if (w < small && h < small) {
      const cx = (box[b] + box[b + 2]) / 2, cy = (box[b + 1] + box[b + 3]) / 2;
      g.rect(cx - small / 2, cy - small / 2, small, small);
    }
  }
  g.stroke();
  return true;
}

// The topmost art under page point (x, y), within the tolerance: [layer, art] or null.
function artAt(x, y) {
  const s = view.scale, tol = TOLERANCE / s;
  let hit = null;
  ctx.save();
  ctx.setTransform(1, 0, 0, 1, 0, 0);
  forEachDrawn((i, L, o) => {
    const b = o * 4, box = L.boxes;
    const kind = L.objects[o * 5];
    const st = kind === 1 ? null : styleOf(L, o);
    const pad = tol + (st && st.stroke !== 'none' ? st.width / 2 : 0);
    if (x < box[b] - pad || x > box[b + 2] + pad || y < box[b + 1] - pad || y > box[b + 3] + pad) return;
    let inside = kind === 1 || (box[b + 2] - box[b] < 2 * tol && box[b + 3] - box[b + 1] < 2 * tol);
    if (!inside) {
      ctx.beginPath();
      tracePath(ctx, L, o, 0);
      if (st.fill !== 'none' && ctx.isPointInPath(x, y, st.evenOdd ? 'evenodd' : 'nonzero')) inside = true;
      else {
        ctx.lineWidth = Math.max(st.stroke !== 'none' ? st.width : 0, 2 * tol);
        inside = ctx.isPointInStroke(x, y);
      }
    }
    if (inside) hit = [i, L.objects[o * 5 + 1]];  // later drawn is on top
  });
  ctx.restore();
  return hit;
}

function applyView() { requestDraw(); }

// All art and the artboard in view.
function fit() {
  if (!state || !state.open) return;
  const { w, h } = artboardSize();
  let x0 = 0, y0 = 0, x1 = w, y1 = h;
  for (let i = 0; i < state.layers.length; ++i) {
    const L = layerData(i);
    if (!L || !layerVisible(i) || !(L.extent[0] <= L.extent[2])) continue;
    x0 = Math.min(x0, L.extent[0]); y0 = Math.min(y0, L.extent[1]);
    x1 = Math.max(x1, L.extent[2]); y1 = Math.max(y1, L.extent[3]);
  }
  const vp = $('sheet-viewport');
  const cw = vp.clientWidth, ch = vp.clientHeight;
  view.scale = Math.min((cw - 40) / (x1 - x0), (ch - 40) / (y1 - y0));
  view.x = (cw - (x1 - x0) * view.scale) / 2 - x0 * view.scale;
  view.y = (ch - (y1 - y0) * view.scale) / 2 - y0 * view.scale;
  requestDraw();
  showScale();
}

function zoomAt(factor, cx, cy) {
  const s = Math.min(4096, Math.max(0.0005, view.scale * factor));
  view.x = cx - (cx - view.x) * (s / view.scale);
  view.y = cy - (cy - view.y) * (s / view.scale);
  view.scale = s;
  requestDraw();
  showScale();
}

// ----- map aids: scale, the pointer's position, the selection's size

// 1 : N on the screen: at 100 % a point of the sheet is 4/3 CSS pixels, so the screen shows the
// sheet's own scale there.
function showScale() {
  const m = state && state.map;
  $('scale').textContent = m && m.scale ? '1:' + Math.round(m.scale * (4 / 3) / view.scale).toLocaleString('ja-JP') : '';
  $('zoom').textContent = Math.round(view.scale * 75) + '%';
}

let whereBusy = false, whereNext = null;
function showPointer(px, py) {
  $('page-point').textContent = 'ページ ' + px.toFixed(1) + ', ' + py.toFixed(1) + ' pt';
  const m = state && state.map;
  if (!m || m.kind === 'none') { $('map-point').textContent = ''; return; }
  whereNext = [px, py];
  if (whereBusy) return;
  const next = () => {
    if (!whereNext) { whereBusy = false; return; }
    const [x, y] = whereNext;
    whereNext = null;
    whereBusy = true;
    fetch('/api/where?x=' + x + '&y=' + y, { headers: { 'X-Vx-Token': token } })
      .then((r) => r.json())
      .then((w) => { $('map-point').textContent = w.text || ''; $('map-point').dataset.x = x; $('map-point').dataset.y = y; })
      .catch(() => {})
      .finally(next);
  };
  next();
}

function renderMapAids(s) {
  $('map-system').textContent = s.map && s.map.kind !== 'none' ? s.map.system : '';
  $('selected-count').textContent = s.selected ? s.selected + ' 個選択' : '';
  showScale();
}

(function wireSheet() {
  const vp = $('sheet-viewport');
  let drag = null;
  const pagePoint = (e) => {
    const r = vp.getBoundingClientRect();
    return [(e.clientX - r.left - view.x) / view.scale, (e.clientY - r.top - view.y) / view.scale];
  };
  vp.addEventListener('mousedown', (e) => { drag = { x: e.clientX, y: e.clientY, vx: view.x, vy: view.y, moved: false }; });
  window.addEventListener('mousemove', (e) => {
    if (e.target === canvas) showPointer(...pagePoint(e));
    if (!drag || !(e.buttons & 1)) return;
    const dx = e.clientX - drag.x, dy = e.clientY - drag.y;
    if (Math.abs(dx) + Math.abs(dy) > 4) drag.moved = true;
    if (drag.moved) { view.x = drag.vx + dx; view.y = drag.vy + dy; requestDraw(); }
  });
  vp.addEventListener('click', (e) => {
    const moved = drag && drag.moved;
    drag = null;
    if (moved || !state) return;
    const hit = artAt(...pagePoint(e));
    if (hit) act({ do: 'select', layer: hit[0], art: hit[1], add: e.shiftKey });
    else if (!e.shiftKey) act({ do: 'deselect' });
  });
  vp.addEventListener('wheel', (e) => {
    e.preventDefault();
    const r = vp.getBoundingClientRect();
    zoomAt(e.deltaY < 0 ? 1.2 : 1 / 1.2, e.clientX - r.left, e.clientY - r.top);
  }, { passive: false });
  const center = () => [vp.clientWidth / 2, vp.clientHeight / 2];
  $('zoom-in').onclick = () => zoomAt(1.25, ...center());
  $('zoom-out').onclick = () => zoomAt(1 / 1.25, ...center());
  $('zoom-fit').onclick = fit;
})();

// What tests and benchmarks read of the drawn sheet.
window.vxSheet = {
  stats: sheetStats,
  tolerance: 0.6,
  loaded: () => !!state && (state.geometry || []).every((rev) => geometry.has(rev)),
  // Top-level art drawn in a layer (by number), and the texts drawn.
  arts: (i) => (layerData(i) ? layerData(i).byArt.size : 0),
  texts: () => { const out = []; forEachDrawn((i, L, o) => { if (L.objects[o * 5] === 1) out.push(L.head.texts[L.objects[o * 5 + 2]].text); }); return out; },
  // The client point at the middle of art `art` of layer `i`.
  point: (i, art) => {
    const L = layerData(i);
    const objs = L && L.byArt.get(art);
    if (!objs) return null;
    const b = objs[0] * 4, r = $('sheet-viewport').getBoundingClientRect();
    return { x: r.left + view.x + view.scale * (L.boxes[b] + L.boxes[b + 2]) / 2, y: r.top + view.y + view.scale * (L.boxes[b + 1] + L.boxes[b + 3]) / 2 };
  },
  // The client point of page point (x, y).
  client: (x, y) => { const r = $('sheet-viewport').getBoundingClientRect(); return { x: r.left + view.x + view.scale * x, y: r.top + view.y + view.scale * y }; },
  view: () => ({ ...view }),
  zoomAt,
  draw,
};

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
$('undo').onclick = () => act({ do: 'undo' });
$('redo').onclick = () => act({ do: 'redo' });

// The keys of a drawing application. While something is asked, Escape cancels it and Enter
// presses its default button; otherwise the document's keys act on the sheet.
document.addEventListener('keydown', (e) => {
  if (e.isComposing) return;
  const ctrl = e.ctrlKey || e.metaKey;
  const key = e.key.length === 1 ? e.key.toLowerCase() : e.key;
  const editing = e.target.closest && e.target.closest('input, textarea, select');
  const ask = state && state.ask;
  if (ask) {
    if (key === 'Escape') {
      e.preventDefault();
      if (ask.kind === 'dialog') answer({ event: 'close' });
      else if (ask.kind === 'alert') answer({ event: 'ok' });
      else if (ask.kind === 'question') answer({ event: 'answer', yes: false });
      else if (!$('files-confirm').hidden) $('files-confirm').hidden = true;
      else answer({ event: 'cancel' });
    } else if (key === 'Enter' && !(e.target.closest && e.target.closest('button, .c-check, .c-list'))) {
      e.preventDefault();
      if (ask.kind === 'dialog') {
        const box = document.querySelector('#dialogs .dialog:not(.inactive)');
        const button = box && (box.querySelector('.c-button.default:not(:disabled)') || box.querySelector('.c-button[data-id="1"]:not(:disabled)'));
        if (button) button.click();
      } else if (ask.kind === 'alert') answer({ event: 'ok' });
      else if (ask.kind === 'question') answer({ event: 'answer', yes: true });
      else if (!$('files-confirm').hidden) $('files-confirm-yes').click();
      else chooseFiles();
    }
    return;
  }
  if (ctrl && key === 's') { e.preventDefault(); act({ do: 'save' }); }
  else if (ctrl && key === 'a' && !editing) { e.preventDefault(); act({ do: 'selectAll' }); }
  else if (ctrl && key === 'z') { e.preventDefault(); act({ do: e.shiftKey ? 'redo' : 'undo' }); }
  else if (ctrl && key === 'y') { e.preventDefault(); act({ do: 'redo' }); }
  else if ((key === 'Delete' || key === 'Backspace') && !editing) { e.preventDefault(); act({ do: 'delete' }); }
});
window.addEventListener('resize', requestDraw);

poll();
