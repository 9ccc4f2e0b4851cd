// What a local program without the token (or with it) can send vxshape serve: the server stays up
// and the page keeps being answered. Raw sockets on 127.0.0.1 only; bounded in time and count.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';

const here = path.dirname(new URL(import.meta.url).pathname);
const source = path.resolve(here, '../..');
const vxshape = process.env.VXSHAPE || path.join(source, 'build/cli/vxshape');

let work, child, port, token;

before(async () => {
  work = fs.mkdtempSync(path.join(os.tmpdir(), 'vxshape-guard-'));
  fs.copyFileSync(path.join(source, 'samples', 'sample-sheet.vxd'), path.join(work, 'sheet.vxd'));
  child = spawn(vxshape, ['serve', path.join(work, 'sheet.vxd'), '--port', '0'], {
    env: { ...process.env, VXSHAPE_PREFERENCES: path.join(work, 'preferences.json') },
    stdio: ['ignore', 'pipe', 'pipe'],
  });
  await new Promise((resolve, reject) => {
    let out = '';
    child.stdout.on('data', (d) => {
      out += d;
      const m = out.match(/127\.0\.0\.1:(\d+)\/\?token=([0-9a-f]+)/);
      if (m) { port = Number(m[1]); token = m[2]; resolve(); }
    });
    child.on('exit', (code) => reject(new Error('vxshape serve exited ' + code)));
  });
});

after(() => { child.kill('SIGTERM'); fs.rmSync(work, { recursive: true, force: true }); });

// Sends raw bytes and answers the status line's code (0 when the connection closes unanswered).
function raw(bytes, { host = `127.0.0.1:${port}` } = {}) {
  return new Promise((resolve) => {
    const s = net.connect(port, '127.0.0.1');
    let got = '';
    s.on('data', (d) => { got += d; });
    s.on('close', () => resolve(Number((got.match(/^HTTP\/1\.\d (\d+)/) || [0, 0])[1])));
    s.on('error', () => resolve(Number((got.match(/^HTTP\/1\.\d (\d+)/) || [0, 0])[1])));
    s.write(typeof bytes === 'function' ? bytes(host) : bytes);
    s.setTimeout(20000, () => s.destroy());
  });
}

const state = async () => (await fetch(`http://127.0.0.1:${port}/api/state?since=0`, { headers: { 'X-Vx-Token': token } })).status;

test('only 127.0.0.1:PORT and localhost:PORT are answered', async () => {
  for (const [host, status] of [[`127.0.0.1:${port}`, 200], [`localhost:${port}`, 200], [`evil.example:${port}`, 421],
    [`127.0.0.1:${port + 1}`, 421], ['127.0.0.1', 421]]) {
    const got = await raw(`GET /api/state?since=0&token=${token} HTTP/1.1\r\nHost: ${host}\r\nConnection: close\r\n\r\n`);
    assert.equal(got, status, host);
  }
});

test('a chunked body, a long one and a deeply nested one are refused; the server stays up', async () => {
  const post = (headers, body) =>
    `POST /api/answer HTTP/1.1\r\nHost: 127.0.0.1:${port}\r\nX-Vx-Token: ${token}\r\n${headers}\r\n${body}`;
  // Answered before the body is read, however much of it follows.
  const chunk = 'x'.repeat(65536);
  assert.equal(await raw(post('Transfer-Encoding: chunked\r\n', chunk.length.toString(16) + '\r\n' + chunk + '\r\n')), 411);
  assert.equal(await raw(post('Content-Length: 104857600\r\n', chunk)), 413);
  const deep = '['.repeat(1000000) + ']'.repeat(1000000);
  const r = await fetch(`http://127.0.0.1:${port}/api/answer`, { method: 'POST', headers: { 'X-Vx-Token': token }, body: deep.slice(0, 60000) + deep.slice(-60000) });
  assert.equal(r.status, 413, 'a million-deep answer exceeds the body bound');
  const nested = '['.repeat(30000) + ']'.repeat(30000);
  const n = await fetch(`http://127.0.0.1:${port}/api/answer`, { method: 'POST', headers: { 'X-Vx-Token': token }, body: nested });
  assert.equal(n.status, 400);
  assert.match((await n.json()).error, /nests too deep/);
  assert.equal(await state(), 200, 'still up');
});

test('slow connections trickling headers do not starve the page', async () => {
  const slow = [];
  for (let i = 0; i < 40; ++i) {
    const s = net.connect(port, '127.0.0.1');
    s.on('error', () => {});
    s.write(`GET / HTTP/1.1\r\nHost: 127.0.0.1:${port}\r\n`);
    const timer = setInterval(() => s.write(`X-Slow-${i}: a\r\n`), 500);
    s.on('close', () => clearInterval(timer));
    slow.push({ s, timer });
  }
  await new Promise((r) => setTimeout(r, 1500));
  const started = Date.now();
  assert.equal(await state(), 200);
  const took = Date.now() - started;
  assert.ok(took < 2000, `the page's request took ${took} ms among 40 slow connections`);
  // Each slow connection is cut at its read deadline.
  const closed = await Promise.all(slow.map(({ s }) => new Promise((r) => {
    if (s.destroyed) return r(true);
    s.on('close', () => r(true));
    setTimeout(() => r(false), 10000);
  })));
  for (const { s, timer } of slow) { clearInterval(timer); s.destroy(); }
  assert.ok(closed.every(Boolean), 'every trickling connection was closed by the server');
});
