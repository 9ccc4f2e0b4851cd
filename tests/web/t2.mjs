import { chromium } from 'playwright-core';
const b = await chromium.launchPersistentContext('/tmp/chr-prof-'+Date.now(), { executablePath: '/usr/bin/chromium', headless: true, args: ['--headless','--no-sandbox','--disable-gpu'] });
const p = b.pages()[0]; await p.goto('http://127.0.0.1:38903/?token=336d072fa837f8400f26c36e86cdfa55'); await p.waitForSelector('#sheet svg');
for (const u of ['/api/state', '/api/sheet.svg']) { const r = await fetch('http://127.0.0.1:38903'+u, {headers: {'X-Vx-Token': '336d072fa837f8400f26c36e86cdfa55'}}); await r.text(); }
await p.click('#flyout-button'); await p.click('#flyout-menu .flyout-item[data-id="1"]'); await p.waitForSelector('#files:not([hidden])'); await p.click('#files-cancel');
console.log('ready'); await new Promise(r => setTimeout(r, 40000)); await b.close();
