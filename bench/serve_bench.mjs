// Driven by bench/serve_bench.sh: times the page of `vxshape serve DOC` in headless Chromium,
// RUNS times (a fresh server and page each), and prints medians.
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { createRequire } from 'node:module';

const here = path.dirname(new URL(import.meta.url).pathname);
const { chromium } = createRequire(path.join(here, '../tests/web/package.json'))('playwright-core');
const [doc, runsText] = process.argv.slice(2);
const runs = Number(runsText || 3);
const vxshape = process.env.VXSHAPE;
const ticks = 100;  // USER_HZ: /proc stat times are in hundredths of a second on Linux

function startServer() {
  return new Promise((resolve, reject) => {
    const child = spawn(vxshape, ['serve', doc, '--port', '0'], {
      env: { ...process.env, VXSHAPE_PREFERENCES: path.join(os.tmpdir(), 'vxshape-bench-prefs.json') },
      stdio: ['ignore', 'pipe', 'inherit'],
    });
    let out = '';
    child.stdout.on('data', (d) => {
      out += d;
      const m = out.match(/(http:\/\/127\.0\.0\.1:\d+\/\?token=[0-9a-f]+)/);
      if (m) resolve({ child, url: m[1] });
    });
    child.on('exit', (code) => reject(new Error('vxshape serve exited ' + code)));
  });
}

// CPU seconds (user + system) a process has used so far.
function cpu(pid) {
  const f = fs.readFileSync(`/proc/${pid}/stat`, 'utf8').split(') ')[1].split(' ');
  return (Number(f[11]) + Number(f[12])) / ticks;
}

const median = (a) => { const s = [...a].sort((x, y) => x - y); const n = s.length; return n % 2 ? s[(n - 1) / 2] : (s[n / 2 - 1] + s[n / 2]) / 2; };
const results = {};
const note = (k, v) => { (results[k] = results[k] || []).push(v); };

const browser = await chromium.launch({ executablePath: '/usr/bin/chromium', args: ['--no-sandbox', '--disable-gpu'] });
for (let run = 0; run < runs; ++run) {
  const t0 = Date.now();
  const { child, url } = await startServer();
  note('server ready (document loaded), ms', Date.now() - t0);
  const page = await browser.newPage({ viewport: { width: 1400, height: 900 } });
  page.setDefaultTimeout(120000);
  page.on('pageerror', (e) => console.error('page error:', e.message));
  const t1 = Date.now();
  await page.goto(url);
  await page.waitForFunction(() => window.vxSheet && vxSheet.loaded() && vxSheet.stats.complete && !document.body.classList.contains('busy'),
    null, { polling: 'raf' });
  note('first draw after opening the page, ms', Date.now() - t1);

  // Zoom: wheel steps at the middle; each frame's drawing time, then the time until the sheet is
  // drawn in full detail for the new view.
  const zoom = await page.evaluate(async () => {
    const frames = [];
    const vp = document.getElementById('sheet-viewport').getBoundingClientRect();
    for (let i = 0; i < 6; ++i) {
      vxSheet.zoomAt(1.2, vp.width / 2, vp.height / 2);
      await new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r)));
      frames.push(vxSheet.stats.frameMs);
    }
    const t = performance.now();
    while (!vxSheet.stats.complete) await new Promise((r) => requestAnimationFrame(r));
    return { frames, settle: performance.now() - t };
  });
  note('zoom frame, ms (median of 6)', median(zoom.frames));
  note('zoom frame, ms (slowest of 6)', Math.max(...zoom.frames));
  note('zoom: full detail drawn after the last step, ms', zoom.settle);

  // Click-select: the middle of a line in view, until the selection is drawn.
  const p = await page.evaluate(() => {
    const i = state.layers.findIndex((l) => l.title === 'lines');
    const r = document.getElementById('sheet-viewport').getBoundingClientRect();
    for (let art = 0; art < vxSheet.arts(i); ++art) {
      const q = vxSheet.point(i, art);
      if (q.x > r.left + 20 && q.x < r.right - 20 && q.y > r.top + 20 && q.y < r.bottom - 20) return { i, ...q };
    }
    return null;
  });
  // The middle of a line's box need not be on it: move to a vertex-free spot is not needed, the
  // page picks the nearest line within a few pixels or nothing; either is an answer.
  const v0 = await page.evaluate(() => state.version);
  let t = Date.now();
  await page.mouse.click(p.x, p.y);
  await page.waitForFunction((n) => state.version > n && !document.body.classList.contains('busy') && vxSheet.stats.complete, v0,
    { polling: 'raf' });
  note('click-select until drawn, ms', Date.now() - t);

  // Hide and show the lines layer: from the click until the sheet is drawn without it, then with
  // it again. Timed inside the page (the page's answer, not the driver's).
  const toggle = () => page.evaluate(async () => {
    const li = () => document.querySelector('#layers li[data-title="lines"]');
    const wasHidden = li().classList.contains('hidden');
    const t0 = performance.now(), f0 = vxSheet.stats.frames;
    li().querySelector('.eye').click();
    while (!(vxSheet.stats.frames > f0 && vxSheet.stats.complete && li().classList.contains('hidden') !== wasHidden))
      await new Promise((r) => requestAnimationFrame(r));
    await new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r)));  // painted
    return performance.now() - t0;
  });
  note('hide a layer until drawn and painted, ms', await toggle());
  await page.waitForFunction(() => !document.body.classList.contains('busy'));
  note('show a layer until drawn and painted, ms', await toggle());
  await page.waitForFunction(() => !document.body.classList.contains('busy'));

  // A search selecting 10,000 lines (番号 1 to 10,000), from OK until the selection is drawn.
  await page.click('#panel-body button:has-text("検索...")');
  const d = (id) => page.locator(`.dialog[data-template="114"]:not(.inactive) [data-id="${id}"]`);
  await d(1075).waitFor();
  await d(1075).selectOption({ label: '番号' });
  await d(1090).click();
  await page.waitForFunction(() => !document.querySelector('.dialog [data-id="1076"] input').disabled);
  await d(1076).click();
  await d(1091).click();
  await page.waitForFunction(() => !document.querySelector('.dialog [data-id="1080"]').disabled && !document.querySelector('.dialog [data-id="1092"]').disabled);
  await d(1080).fill('1');
  await d(1092).fill('10000');
  await page.waitForFunction(() => [...document.querySelectorAll('.c-edit')].every((e) => !(e.pending > 0)));
  const search = await page.evaluate(async () => {
    const t0 = performance.now();
    let answered = 0;
    document.querySelector('.dialog[data-template="114"]:not(.inactive) [data-id="1"]').click();
    // Two frames after the count is drawn: the browser has painted it.
    while (!(state.selected === 10000 && vxSheet.stats.highlighted === 10000)) {
      if (!answered && state.selected === 10000) answered = performance.now() - t0;
      await new Promise((r) => requestAnimationFrame(r));
    }
    await new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r)));
    return { answered: answered || performance.now() - t0, painted: performance.now() - t0 };
  });
  note('search selecting 10,000 objects until drawn and painted, ms', search.painted);
  note('search: the server\'s answer received (in the above), ms', search.answered);
  // Zoom with the 10,000 selected: each frame, until painted.
  note('zoom frame with 10,000 selected, ms (slowest of 4)', await page.evaluate(async () => {
    const vp = document.getElementById('sheet-viewport').getBoundingClientRect();
    let worst = 0;
    for (let i = 0; i < 4; ++i) {
      const t = performance.now();
      vxSheet.zoomAt(1.2, vp.width / 2, vp.height / 2);
      await new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r)));
      worst = Math.max(worst, (performance.now() - t) / 2);
    }
    return worst;
  }));

  // Idle: nobody does anything for 10 seconds.
  await page.waitForFunction(() => !document.body.classList.contains('busy'));
  await new Promise((r) => setTimeout(r, 1000));
  const frames0 = await page.evaluate(() => vxSheet.stats.frames);
  const c0 = cpu(child.pid);
  await new Promise((r) => setTimeout(r, 10000));
  note('server CPU while idle, % of a core', (cpu(child.pid) - c0) / 10 * 100);
  note('page frames drawn while idle (10 s)', (await page.evaluate(() => vxSheet.stats.frames)) - frames0);

  await page.close();
  child.kill('SIGTERM');
  await new Promise((r) => child.on('exit', r));
}
await browser.close();
console.log(`| measure (1.5M vertices, ${runs} runs) | median | all runs |`);
console.log('|---|---|---|');
for (const [k, v] of Object.entries(results))
  console.log(`| ${k} | ${median(v).toFixed(k.includes('CPU') ? 2 : 0)} | ${v.map((x) => x.toFixed(k.includes('CPU') ? 2 : 0)).join(', ')} |`);
