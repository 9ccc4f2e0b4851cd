// vxshape serve in a real browser: headless Chromium (Debian's) driven by playwright-core. The
// person's main job on the shipped sample: import, look, select, read and edit attributes,
// search, label, export, save; a long import cancelled; requests without the token refused.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawn, spawnSync, execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';

const here = path.dirname(new URL(import.meta.url).pathname);
const source = path.resolve(here, '../..');
const vxshape = process.env.VXSHAPE || path.join(source, 'build/cli/vxshape');
const artifacts = process.env.VX_ARTIFACTS || path.join(os.tmpdir(), 'vxshape-web-artifacts');
const chromiumPath = process.env.CHROMIUM || '/usr/bin/chromium';

let work, server, base, token, browser, page, exited;
const pageErrors = [];

function startServer(doc, extra = [], preferences = path.join(work, 'preferences.json')) {
  return new Promise((resolve, reject) => {
    const child = spawn(vxshape, ['serve', doc, '--port', '0', ...extra], {
      env: { ...process.env, VXSHAPE_PREFERENCES: preferences },
      stdio: ['ignore', 'pipe', 'pipe'],
    });
    let out = '', err = '';
    child.stderr.on('data', (d) => { err += d; });
    child.stdout.on('data', (d) => {
      out += d;
      const m = out.match(/(http:\/\/127\.0\.0\.1:\d+)\/\?token=([0-9a-f]+)/);
      if (m) resolve({ child, base: m[1], token: m[2], stderr: () => err });
    });
    child.on('exit', (code) => reject(new Error(`vxshape serve exited (${code}): ${err}`)));
    setTimeout(() => reject(new Error('vxshape serve printed no address: ' + out + err)), 20000).unref();
  });
}

async function shot(name) {
  await page.screenshot({ path: path.join(artifacts, name + '.png') });
}

// Waits until the plug-in is idle and nothing is asked, and the sheet drawn for that state.
async function idle() {
  await page.waitForFunction(() => !document.body.classList.contains('busy') &&
    document.getElementById('modal-layer').hidden);
}

const dialog = (id) => page.locator(`.dialog[data-template="${id}"]:not(.inactive)`);
const control = (id, c) => dialog(id).locator(`[data-id="${c}"]`);
const panelRow = (field) => page.locator('#panel-body tr', { has: page.locator('td', { hasText: new RegExp('^' + field + '$') }) });
const layerIndex = async (title) => Number(await page.locator(`#layers li[data-title="${title}"]`).getAttribute('data-index'));
// The sheet is drawn on a canvas; the page tells where it drew what (window.vxSheet).
const sheetReady = () => page.waitForFunction(() => vxSheet.loaded() && vxSheet.stats.complete, null, { polling: 'raf' });
// Clicks the middle of art `art` of layer `index`, showing all art first when it is out of view.
async function clickArt(index, art, modifiers = []) {
  await page.waitForFunction(([i, a]) => vxSheet.point(i, a) !== null, [index, art]);
  const inView = await page.evaluate(([i, a]) => {
    const p = vxSheet.point(i, a), r = document.getElementById('sheet-viewport').getBoundingClientRect();
    return p.x > r.left + 8 && p.x < r.right - 8 && p.y > r.top + 8 && p.y < r.bottom - 8;
  }, [index, art]);
  if (!inView) await page.click('#zoom-fit');
  const p = await page.evaluate(([i, a]) => vxSheet.point(i, a), [index, art]);
  for (const m of modifiers) await page.keyboard.down(m);
  await page.mouse.click(p.x, p.y);
  for (const m of modifiers) await page.keyboard.up(m);
}

before(async () => {
  fs.mkdirSync(artifacts, { recursive: true });
  work = fs.mkdtempSync(path.join(os.tmpdir(), 'vxshape-web-'));
  for (const f of fs.readdirSync(path.join(source, 'samples'))) fs.copyFileSync(path.join(source, 'samples', f), path.join(work, f));
  fs.mkdirSync(path.join(work, 'out'));
  ({ child: server, base, token } = await startServer(path.join(work, 'sample-sheet.vxd')));
  exited = new Promise((r) => server.on('exit', (code, signal) => r({ code, signal })));
  // A fresh profile each run; no browser is downloaded: Debian's Chromium is used.
  browser = await chromium.launchPersistentContext(fs.mkdtempSync(path.join(os.tmpdir(), 'vxshape-chromium-')), {
    executablePath: chromiumPath,
    headless: true,
    viewport: { width: 1400, height: 900 },
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  page = browser.pages()[0] || await browser.newPage();
  page.setDefaultTimeout(20000);
  page.on('pageerror', (e) => pageErrors.push(e.message));
  await page.goto(`${base}/?token=${token}`);
  await sheetReady();
});

after(async () => {
  if (browser) await browser.close();
  if (server && server.exitCode === null) server.kill('SIGKILL');
});

test('requests without the right token are refused', async () => {
  for (const url of [`${base}/`, `${base}/api/state`, `${base}/api/layer?rev=1`, `${base}/api/where?x=0&y=0`, `${base}/app.js`,
                     `${base}/api/state?token=${'0'.repeat(token.length)}`, `${base}/api/files?folder=`]) {
    const r = await fetch(url);
    assert.equal(r.status, 401, url);
  }
  const r = await fetch(`${base}/api/act`, { method: 'POST', body: JSON.stringify({ do: 'save' }) });
  assert.equal(r.status, 401);
  const ok = await fetch(`${base}/api/state`, { headers: { 'X-Vx-Token': token } });
  assert.equal(ok.status, 200);
});

test('the file browser stays inside the root folder', async () => {
  const list = async (folder) => (await fetch(`${base}/api/files?folder=${encodeURIComponent(folder)}&pattern=*.shp`,
    { headers: { 'X-Vx-Token': token } }));
  fs.symlinkSync(os.tmpdir(), path.join(work, 'link-out'));
  const top = await (await list('')).json();
  const names = top.entries.map((e) => e.name);
  assert.ok(names.includes('stations.shp') && names.includes('out'));
  assert.ok(!names.includes('link-out'), 'links are not listed');
  assert.ok(!names.includes('stations.dbf'), 'the filter applies');
  for (const bad of ['..', '../..', '/', '/etc', 'out/..', 'link-out', 'nothing-here'])
    assert.equal((await list(bad)).status, 404, bad);
});

test('the sample opens: layers, the sheet with Japanese text, menus and the panel', async () => {
  assert.deepEqual(await page.locator('#layers li .name').allTextContents(),
    ['Varnox-Shape DataFrame', '地点', '建物', '道路']);
  assert.equal(await page.locator('#layers li.current .name').textContent(), '地点');
  assert.ok((await page.evaluate(() => vxSheet.texts())).filter((t) => t === '東京駅').length === 1);
  await page.click('#menu-button');
  assert.deepEqual(await page.locator('#menu-list .menu-item').allTextContents(), ['Varnox-Dirir4.5', 'Varnox-Dirir4.5...']);
  await page.click('#menu-button');
  await page.click('#flyout-button');
  const flyout = await page.locator('#flyout-menu .flyout-item').allTextContents();
  assert.equal(flyout[0], 'シェープファイル読み込み...');
  assert.equal(flyout.length, 8);
  await page.click('#flyout-button');
  assert.equal(await page.locator('#panel-title').textContent(), 'Varnox-Dirir4.5');
  assert.ok(await page.locator('#dirty').isHidden());
  await shot('1-opened');
});

test('import a shapefile through the flyout item, the file browser and dialog 108', async () => {
  await page.click('#flyout-button');
  await page.click('#flyout-menu .flyout-item[data-id="1"]');
  await page.waitForSelector('#files:not([hidden])');
  assert.equal(await page.locator('#files-title').textContent(), 'シェープファイルを読み込む（複数選択可）');
  assert.ok(await page.locator('#files-list li[data-name="stations.dbf"]').count() === 0);
  await page.click('#files-list li[data-name="stations.shp"]');
  await shot('2-file-browser');
  await page.click('#files-ok');
  await dialog(108).waitFor();
  // The file's coordinates: JGD2000 plane rectangular zone 9, chosen in the dialog's lists.
  await control(108, 1126).click();
  await page.waitForFunction(() => !document.querySelector('.dialog [data-id="1115"]').disabled);
  await control(108, 1115).selectOption({ index: 9 });
  assert.match(await control(108, 1115).locator('option:checked').textContent(), /^9系/);
  await shot('3-dialog-108');
  await control(108, 1).click();
  await idle();
  const title = (await page.locator('#layers li .name').allTextContents()).find((t) => t.includes('stations'));
  assert.ok(title, 'a new layer for the file');
  const index = await layerIndex(title);
  await page.waitForFunction((i) => vxSheet.arts(i) === 3, index);
  await page.waitForSelector('#dirty:not([hidden])');
  await shot('4-imported');
});

test('click an object, read its values, edit one through the value dialog', async () => {
  const title = (await page.locator('#layers li .name').allTextContents()).find((t) => t.includes('stations'));
  const index = await layerIndex(title);
  await clickArt(index, 0);
  await page.waitForFunction(() => state.selected === 1 && vxSheet.stats.highlighted === 1);
  await page.waitForFunction(() => document.querySelectorAll('#panel-body tr[data-row]').length === 2);
  const values = await panelRow('駅名').locator('td').allTextContents();
  assert.ok(['銀座', '日本橋', '新富町'].includes(values[1]), values.join('|'));
  // Shift-click adds: two stations of different names show the mixed-values sign.
  await clickArt(index, 1, ['Shift']);
  await page.waitForFunction(() => state.selected === 2);
  assert.equal(await page.locator('#selected-count').textContent(), '2 個選択');
  await page.waitForFunction(() => [...document.querySelectorAll('#panel-body td')].some((td) => td.textContent === '(複数の属性値)'));
  await shot('5-selected');
  // A single object again, and its name edited.
  await clickArt(index, 0);
  await page.waitForFunction(() => state.selected === 1);
  await panelRow('駅名').dblclick();
  await dialog(113).waitFor();
  // The dialog opens with its edit focused; Enter presses OK.
  await page.waitForFunction(() => document.activeElement && document.activeElement.dataset.id === '1130');
  assert.equal(await control(113, 1131).textContent(), '駅名');
  await control(113, 1130).fill('有楽町');
  await shot('6-value-dialog');
  await page.keyboard.press('Enter');
  await idle();
  await page.waitForFunction(() => [...document.querySelectorAll('#panel-body td')].some((td) => td.textContent === '有楽町'));
});

test('undo and redo: a value edit, a delete, the import; the unsaved sign follows the revision', async () => {
  const title = (await page.locator('#layers li .name').allTextContents()).find((t) => t.includes('stations'));
  await page.mouse.click(5, 5);  // the bar: the focus leaves any control
  await page.keyboard.press('Control+z');
  await idle();
  await page.waitForFunction(() => ![...document.querySelectorAll('#panel-body td')].some((td) => td.textContent === '有楽町'));
  await page.keyboard.press('Control+Shift+z');
  await idle();
  await page.waitForFunction(() => [...document.querySelectorAll('#panel-body td')].some((td) => td.textContent === '有楽町'));

  const index = await layerIndex(title);
  const arts = await page.evaluate((i) => vxSheet.arts(i), index);
  await page.keyboard.press('Delete');
  await idle();
  await page.waitForFunction(([i, n]) => vxSheet.arts(i) === n - 1 && state.canUndo, [index, arts]);
  await page.click('#undo');
  await idle();
  await page.waitForFunction(([i, n]) => vxSheet.arts(i) === n && state.canRedo, [index, arts]);

  // Back past the edit and the import: the layer goes; redo brings both back.
  await page.click('#undo');
  await idle();
  await page.click('#undo');
  await idle();
  await page.waitForFunction((t) => !state.layers.some((l) => l.title === t), title);
  await page.click('#redo');
  await idle();
  await page.waitForFunction((t) => state.layers.some((l) => l.title === t), title);
  await page.keyboard.press('Control+y');
  await idle();
  await page.waitForFunction(([t, n]) => { const l = state.layers.find((x) => x.title === t); return l && vxSheet.arts(l.index) === n; }, [title, arts]);
  await clickArt(await layerIndex(title), 0);
  await page.waitForFunction(() => [...document.querySelectorAll('#panel-body td')].some((td) => td.textContent === '有楽町'));
  assert.ok(await page.evaluate(() => state.dirty));
});

test('search selects the matching objects', async () => {
  await page.click('#panel-body button:has-text("検索...")');
  await dialog(114).waitFor();
  await control(114, 1075).selectOption({ label: '乗降客数' });
  await control(114, 1090).click();
  await page.waitForFunction(() => !document.querySelector('.dialog [data-id="1076"] input').disabled);
  await control(114, 1076).click();
  await page.waitForFunction(() => !document.querySelector('.dialog [data-id="1080"]').disabled);
  await control(114, 1080).fill('100000');
  await shot('7-search');
  await control(114, 1).click();
  await idle();
  // 250000 and 180000 riders: two stations.
  await page.waitForFunction(() => state.selected === 2 && vxSheet.stats.highlighted === 2);
});

test('labels from a field, then export through the export dialog, read back by ogrinfo', async () => {
  const before = (await page.evaluate(() => vxSheet.texts())).length;
  await page.click('#panel-body button:has-text("注記...")');
  await dialog(116).waitFor();
  await control(116, 1075).selectOption({ label: '駅名' });
  await control(116, 1).click();
  await idle();
  await page.waitForFunction((n) => vxSheet.texts().length === n + 2, before);
  assert.ok((await page.evaluate(() => vxSheet.texts())).includes('日本橋'));

  const title = (await page.locator('#layers li .name').allTextContents()).find((t) => t.includes('stations'));
  await page.locator(`#layers li[data-title="${title}"] .name`).click();
  await page.waitForSelector(`#layers li.current[data-title="${title}"]`);
  await page.click('#flyout-button');
  await page.click('#flyout-menu .flyout-item[data-id="5"]');
  await dialog(115).waitFor();
  await control(115, 1119).selectOption({ label: 'UTF-8' });
  await control(115, 1096).click();  // the labels stay behind: points only
  await page.waitForFunction(() => !document.querySelector('.dialog [data-id="1096"] input').checked);
  await control(115, 1).click();
  await page.waitForSelector('#files:not([hidden])');
  await page.click('#files-list li[data-name="out"]');
  await page.waitForFunction(() => document.getElementById('files-path').textContent === '/out/');
  await page.fill('#files-name', 'stations-out.shp');
  await shot('8-save-browser');
  await page.click('#files-ok');
  await page.waitForFunction(() => !document.body.classList.contains('busy') && !document.querySelector('#files:not([hidden])'));
  // A closing message may follow.
  if (await page.locator('#alert:not([hidden])').count()) await page.click('#alert-ok');
  await idle();
  const info = execFileSync('ogrinfo', ['-al', '-so', path.join(work, 'out', 'stations-out.shp')], { encoding: 'utf8' });
  assert.match(info, /Feature Count: 3/);
  assert.match(info, /Geometry: Point/);
  const all = execFileSync('ogrinfo', ['-al', '-q', path.join(work, 'out', 'stations-out.shp')], { encoding: 'utf8' });
  assert.match(all, /有楽町/);
});

test('the keyboard: Escape cancels a dialog, Ctrl+A selects all art but no page text, Ctrl+S saves', async () => {
  await page.click('#menu-button');
  await page.click('#menu-list .menu-item[data-text="Varnox-Dirir4.5..."]');
  await dialog(107).waitFor();
  await page.keyboard.press('Escape');
  await idle();
  assert.equal(await page.locator('#dialogs .dialog').count(), 0);

  await page.mouse.click(5, 5);  // the bar: the focus leaves any control
  await page.keyboard.press('Control+a');
  const all = await page.evaluate(() => state.layers.reduce((n, l) => n + (l.visible && !l.locked ? vxSheet.arts(l.index) : 0), 0));
  await page.waitForFunction((n) => state.selected === n, all);
  assert.equal(await page.evaluate(() => String(window.getSelection())), '', 'no page text selected');
  assert.equal(await page.locator('#selected-count').textContent(), `${all} 個選択`);

  // A change (a layer hidden and shown again), then Ctrl+S.
  const index = await layerIndex('建物');
  await page.click(`#layers li[data-index="${index}"] .eye`);
  await page.waitForSelector(`#layers li.hidden[data-index="${index}"]`);
  await page.click(`#layers li[data-index="${index}"] .eye`);
  await page.waitForSelector(`#layers li[data-index="${index}"]:not(.hidden)`);
  await idle();
  await page.waitForSelector('#dirty:not([hidden])');
  await page.keyboard.press('Control+s');
  await page.waitForSelector('#dirty[hidden]', { state: 'attached' });
});

test('a click on a locked layer\'s art says why in Japanese', async () => {
  await page.click('#zoom-fit');
  const index = await layerIndex('建物');
  await page.click(`#layers li[data-index="${index}"] .lock`);
  await page.waitForSelector(`#layers li.locked[data-index="${index}"]`);
  await idle();
  // The middle of a building with a courtyard is no building: try each.
  const said = () => page.waitForFunction(() => /レイヤー「建物」がロックされているため、選択できません/
    .test(document.getElementById('notice').textContent), null, { timeout: 4000 }).then(() => true, () => false);
  let told = false;
  for (let art = 0; art < await page.evaluate((i) => vxSheet.arts(i), index) && !told; ++art) {
    await clickArt(index, art);
    told = await said();
  }
  assert.ok(told, await page.locator('#notice').textContent());
  await idle();
  await page.click(`#layers li[data-index="${index}"] .lock`);
  await page.waitForSelector(`#layers li.locked[data-index="${index}"]`, { state: 'detached' });
  await idle();
});

test('map aids: the scale and the pointer\'s position agree with the data frame and the geodesy library', async () => {
  // The sample's frame: its anchor and text, from the document itself.
  const sample = JSON.parse(fs.readFileSync(path.join(work, 'sample-sheet.vxd'), 'utf8'));
  const frameArt = sample.layers.find((l) => l.title === 'Varnox-Shape DataFrame').group.children[0];
  const frame = Object.fromEntries(String.fromCharCode(...frameArt.utf16).split('|').map((f) => f.split('=')));
  assert.equal(frame.P, 'XY9');
  const S = Number(frame.S), metresPerPoint = 0.0254 / 72;
  assert.equal(Number(frame.R), 0);
  await page.click('#zoom-fit');
  const { scale } = await page.evaluate(() => vxSheet.view());
  assert.equal(await page.locator('#scale').textContent(), '1:' + Math.round(S * (4 / 3) / scale).toLocaleString('ja-JP'));
  assert.match(await page.locator('#map-system').textContent(), /世界測地系 平面直角座標 第9系/);

  const [w, h] = [sample.bounds[2] - sample.bounds[0], sample.bounds[1] - sample.bounds[3]];
  for (const [x, y] of [[100, 200], [w - 50, h - 80]]) {
    const p = await page.evaluate(([px, py]) => vxSheet.client(px, py), [x, y]);
    await page.mouse.move(p.x, p.y);
    await page.waitForFunction(() => document.getElementById('map-point').textContent !== '' &&
      document.getElementById('map-point').dataset.x !== undefined);
    await page.waitForFunction(([px, py]) => {
      const m = document.getElementById('map-point');
      return Math.abs(m.dataset.x - px) < 1 && Math.abs(m.dataset.y - py) < 1;
    }, [x, y]);
    const shown = await page.evaluate(() => ({ ...document.getElementById('map-point').dataset, text: document.getElementById('map-point').textContent }));
    const page0 = await page.locator('#page-point').textContent();
    assert.match(page0, /^ページ [\d.]+, [\d.]+ pt$/);
    // The document point, then the map point by the frame's arithmetic.
    const hDoc = sample.bounds[0] + Number(shown.x), vDoc = sample.bounds[1] - Number(shown.y);
    const east = Number(frame.X) + (hDoc - frameArt.anchor[0]) * S * metresPerPoint;
    const north = Number(frame.Y) + (vDoc - frameArt.anchor[1]) * S * metresPerPoint;
    const m = shown.text.match(/^X (-?[\d.]+) m {2}Y (-?[\d.]+) m {2}緯度 ([\d.]+)° {2}経度 ([\d.]+)°$/);
    assert.ok(m, shown.text);
    assert.ok(Math.abs(Number(m[1]) - north) < 0.002 && Math.abs(Number(m[2]) - east) < 0.002, `${shown.text} vs ${north} ${east}`);
    // Latitude and longitude as the geodesy library converts that plane point.
    const out = execFileSync(vxshape, ['convert', '--from', 'JGD:XY9', '--to', 'JGD:BL'], { input: `${east} ${north}\n`, encoding: 'utf8' });
    const [lon, lat] = out.trim().split(/\s+/).map(Number);
    assert.ok(Math.abs(Number(m[3]) - lat) < 1e-7 && Math.abs(Number(m[4]) - lon) < 1e-7, `${shown.text} vs ${lat} ${lon}`);
  }
});

test('art beside the artboard is drawn on the pasteboard and can be clicked', async () => {
  // Stations at 1:1,000 on a new sheet: the frame centres them, and they lie far off the page.
  const doc = path.join(work, 'beside.vxd');
  execFileSync(vxshape, ['new', doc]);
  execFileSync(vxshape, ['import-shp', doc, path.join(work, 'stations.shp'), '--from', 'JGD:XY9', '--map', 'JGD:XY9',
    '--scale', '1000', '--preferences', path.join(work, 'preferences.json')]);
  const other = await startServer(doc);
  const p2 = await browser.newPage();
  try {
    await p2.goto(`${other.base}/?token=${other.token}`);
    await p2.waitForFunction(() => window.vxSheet && vxSheet.loaded() && vxSheet.stats.complete, null, { polling: 'raf' });
    const layer = await p2.evaluate(() => state.layers.find((l) => l.title.includes('stations')).index);
    const found = await p2.evaluate((i) => {
      const b = state.artboard, w = b[2] - b[0], h = b[1] - b[3];
      const r = document.getElementById('sheet-viewport').getBoundingClientRect();
      const corner = vxSheet.client(0, 0), far = vxSheet.client(w, h);
      for (let art = 0; art < vxSheet.arts(i); ++art) {
        const p = vxSheet.point(i, art);
        const outside = p.x < corner.x || p.x > far.x || p.y < corner.y || p.y > far.y;
        const inView = p.x > r.left && p.x < r.right && p.y > r.top && p.y < r.bottom;
        if (outside && inView) return { art, ...p };
      }
      return null;
    }, layer);
    assert.ok(found, 'a station beside the artboard, in view after opening (全体 fits all art)');
    // Its mark is drawn: dark pixels near its middle, on the grey pasteboard.
    const dark = await p2.evaluate(({ x, y }) => {
      const c = document.getElementById('sheet'), r = c.getBoundingClientRect(), k = c.width / r.width;
      const d = c.getContext('2d').getImageData(Math.round((x - r.left) * k) - 4, Math.round((y - r.top) * k) - 4, 9, 9).data;
      let n = 0;
      for (let i = 0; i < d.length; i += 4) if (d[i] + d[i + 1] + d[i + 2] < 200) ++n;
      return n;
    }, found);
    assert.ok(dark > 0, 'the station is drawn');
    await p2.mouse.click(found.x, found.y);
    await p2.waitForFunction(() => state.selected === 1 && vxSheet.stats.highlighted === 1);
  } finally {
    await p2.close();
    other.child.kill('SIGTERM');
  }
});

test('every dialog template fits its texts, laid out in the dialog font\'s base units', async () => {
  const templates = await (await fetch(`${base}/api/templates`, { headers: { 'X-Vx-Token': token } })).json();
  assert.ok([107, 108, 110, 115].every((id) => templates.some((t) => t.template === id)));
  assert.equal(await page.evaluate(() => document.body.dataset.baseUnits), '7x12');
  const bad = await page.evaluate((all) => {
    const out = [];
    for (const t of all) {
      const box = document.createElement('div');
      box.className = 'dialog';
      box.innerHTML = '<div class="window"></div>';
      document.body.appendChild(box);
      renderWindow(box.firstChild, t, {});
      for (const el of box.firstChild.children) {
        const kind = el.dataset.kind;
        if (!['static', 'button', 'checkbox', 'radio', 'groupbox'].includes(kind)) continue;
        const textEl = kind === 'groupbox' ? el.firstChild : kind === 'checkbox' || kind === 'radio' ? el.lastChild : el;
        if (!textEl.textContent) continue;
        const range = document.createRange();
        range.selectNodeContents(textEl);
        const tr = range.getBoundingClientRect(), er = el.getBoundingClientRect();
        // Wider than the control, or wrapped onto more lines than it is tall (a line is 12 px).
        const lines = new Set([...range.getClientRects()].map((r) => Math.round(r.top))).size;
        if (tr.right > er.right + 0.5 || tr.left < er.left - 0.5 || lines > Math.max(1, Math.floor(er.height / 12)))
          out.push(`${t.template}/${el.dataset.id} "${textEl.textContent}": ${tr.width.toFixed(1)} px in ${er.width} px, ${lines} lines in ${er.height} px`);
      }
      box.remove();
    }
    return out;
  }, templates);
  assert.deepEqual(bad, []);
});

test('save writes the document and clears the unsaved sign', async () => {
  await page.waitForSelector('#dirty:not([hidden])');
  await page.click('#save');
  await page.waitForSelector('#dirty[hidden]', { state: 'attached' });
  await idle();
  const info = execFileSync(vxshape, ['info', path.join(work, 'sample-sheet.vxd')], { encoding: 'utf8' });
  assert.match(info, /stations/);
  await shot('9-saved');
});

test('a long import cancelled from the progress box keeps what was read before', async (t) => {
  // 150,000 points, written by GDAL from a generated table.
  const csv = ['x,y,NO'];
  for (let i = 0; i < 150000; ++i) csv.push(`${-7000 - (i % 400)},${-35000 - Math.floor(i / 400)},${i}`);
  fs.writeFileSync(path.join(work, 'many.csv'), csv.join('\n'));
  execFileSync('ogr2ogr', ['-f', 'ESRI Shapefile', path.join(work, 'many.shp'), path.join(work, 'many.csv'),
    '-oo', 'X_POSSIBLE_NAMES=x', '-oo', 'Y_POSSIBLE_NAMES=y', '-oo', 'AUTODETECT_TYPE=YES']);
  await page.click('#flyout-button');
  await page.click('#flyout-menu .flyout-item[data-id="1"]');
  await page.waitForSelector('#files:not([hidden])');
  await page.click('#files-list li[data-name="many.shp"]');
  await page.click('#files-ok');
  await dialog(108).waitFor();
  await control(108, 1126).click();
  await page.waitForFunction(() => !document.querySelector('.dialog [data-id="1115"]').disabled);
  await control(108, 1115).selectOption({ index: 9 });
  await control(108, 1).click();
  await page.waitForSelector('#progress:not([hidden])');
  await shot('10-progress');
  await page.click('#progress-cancel');
  await page.waitForFunction(() => document.getElementById('progress').hidden);
  let message = '';
  if (await page.locator('#alert:not([hidden])').count()) {
    message = await page.locator('#alert-text').textContent();
    await page.click('#alert-ok');
  }
  await idle();
  const state = await (await fetch(`${base}/api/state`, { headers: { 'X-Vx-Token': token } })).json();
  const layer = state.layers.find((l) => l.title.includes('many'));
  assert.ok(layer, 'the layer of the cancelled import is there');
  await page.waitForFunction(() => vxSheet.loaded());
  const kept = await page.evaluate((i) => vxSheet.arts(i), layer.index);
  assert.ok(kept > 0 && kept < 150000, `the import stopped early (${kept} kept; ${message})`);
  t.diagnostic(`kept ${kept} of 150000 points; ${message}`);
  await shot('11-cancelled');
});

test('a page that goes away: what it was asked is cancelled, nothing is saved', async () => {
  const doc = path.join(work, 'gone.vxd');
  fs.copyFileSync(path.join(source, 'samples', 'sample-sheet.vxd'), doc);
  const other = await startServer(doc, ['--gone-after', '1']);
  const ended = new Promise((r) => other.child.on('exit', (code) => r(code)));
  const call = async (p, body) => {
    const r = await fetch(other.base + p, { method: body ? 'POST' : 'GET', headers: { 'X-Vx-Token': other.token },
      body: body && JSON.stringify(body) });
    return { status: r.status, json: await r.json() };
  };
  const waitFor = async (ok) => {
    for (let i = 0; i < 100; ++i) {
      const { json } = await call('/api/state');
      if (ok(json)) return json;
      await new Promise((r) => setTimeout(r, 100));
    }
    throw new Error('the state never came');
  };
  assert.equal((await call('/api/act', { do: 'menu', text: 'Varnox-Dirir4.5...' })).status, 202);
  const asked = await waitFor((s) => s.ask && s.ask.kind === 'dialog');
  assert.equal(asked.dialogs[0].template, 107);
  assert.equal((await call('/api/act', { do: 'save' })).status, 409, 'one command at a time');
  // Silence: no request for longer than --gone-after.
  await new Promise((r) => setTimeout(r, 2500));
  const after = await waitFor((s) => !s.busy);
  assert.equal(after.ask, null);
  assert.deepEqual(after.dialogs, []);
  assert.equal((await call('/api/answer', { ask: asked.ask.ask, event: 'click', id: 1 })).status, 409,
    'a late answer is refused');
  other.child.kill('SIGTERM');
  assert.equal(await ended, 0);
  assert.deepEqual(fs.readFileSync(doc), fs.readFileSync(path.join(source, 'samples', 'sample-sheet.vxd')));
});

test('the server holds its document; preferences it cannot save fail its exit', async () => {
  const doc = path.join(work, 'held.vxd');
  fs.copyFileSync(path.join(source, 'samples', 'sample-sheet.vxd'), doc);
  fs.writeFileSync(path.join(work, 'plain'), 'a file, not a folder');
  const held = await startServer(doc, [], path.join(work, 'plain', 'p.json'));
  const ended = new Promise((r) => held.child.on('exit', (code) => r(code)));
  for (const args of [['serve', doc, '--port', '0'], ['upgrade', doc]]) {
    const r = spawnSync(vxshape, args, { encoding: 'utf8', timeout: 20000 });
    assert.equal(r.status, 1, args.join(' ') + ': ' + r.stdout + r.stderr);
    assert.match(r.stderr, /held\.vxd is being changed by another command/, args.join(' '));
    assert.doesNotMatch(r.stdout, /serving/);
  }
  held.child.kill('SIGTERM');
  assert.equal(await ended, 1);
  assert.match(held.stderr(), /the preferences were not saved/);
  assert.deepEqual(fs.readFileSync(doc), fs.readFileSync(path.join(source, 'samples', 'sample-sheet.vxd')));
});

test('Ctrl-C stops the server without saving', async () => {
  assert.deepEqual(pageErrors, []);
  const before = fs.readFileSync(path.join(work, 'sample-sheet.vxd'));
  server.kill('SIGINT');
  const { code } = await exited;
  assert.equal(code, 0);
  assert.deepEqual(fs.readFileSync(path.join(work, 'sample-sheet.vxd')), before);
  const leftovers = fs.readdirSync(work).filter((f) => f.endsWith('.tmp'));
  assert.deepEqual(leftovers, []);
});
